#pragma once

#include <string>

class MediaInterface;

// The game's four sound operations. A sound is named by its path ("music\ok.wav") alone.
void PlayMedia(MediaInterface& media, const std::string& path);
void CloseMedia(MediaInterface& media, const std::string& path);
// The file's mode, upper-cased: "PLAYING", "STOPPED", or "" when the file cannot be played.
std::string MediaMode(MediaInterface& media, const std::string& path);
// Called from a screen's 100 ms music timer: starts the track again once it has stopped.
void PollMusic(MediaInterface& media, const std::string& path);
