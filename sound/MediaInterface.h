#pragma once

#include <string>

// Stands in for the host's media control interface: takes a command text such as
// play "music\ok.wav", fills at most replyRoom - 1 characters and a NUL into reply
// (when replyRoom > 0) and returns a result code, 0 on success.
class MediaInterface {
public:
    virtual ~MediaInterface() = default;
    virtual int sendString(const std::string& command, char* reply, int replyRoom) = 0;
};
