#pragma once

#include "sound/MediaInterface.h"

// A media interface with no device behind it: every file reads as unplayable.
class SilentMedia : public MediaInterface {
public:
    int sendString(const std::string& command, char* reply, int replyRoom) override;
};
