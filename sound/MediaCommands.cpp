#include "sound/MediaCommands.h"

#include "sound/MediaInterface.h"

#include <algorithm>
#include <cctype>
#include <cstring>

void PlayMedia(MediaInterface& media, const std::string& path) {
    media.sendString("play \"" + path + "\"", nullptr, 0);
}

void CloseMedia(MediaInterface& media, const std::string& path) {
    media.sendString("close \"" + path + "\"", nullptr, 0);
}

std::string MediaMode(MediaInterface& media, const std::string& path) {
    char reply[20] = {};
    media.sendString("status \"" + path + "\" mode", reply, sizeof reply);
    reply[sizeof reply - 1] = '\0';
    std::string mode(reply, strnlen(reply, sizeof reply));
    std::transform(mode.begin(), mode.end(), mode.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return mode;
}

void PollMusic(MediaInterface& media, const std::string& path) {
    if (MediaMode(media, path) == "STOPPED") {
        CloseMedia(media, path);
        PlayMedia(media, path);
    }
}
