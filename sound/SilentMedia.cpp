#include "sound/SilentMedia.h"

int SilentMedia::sendString(const std::string&, char* reply, int replyRoom) {
    if (reply && replyRoom > 0)
        reply[0] = '\0';
    return 0;
}
