#pragma once

#include <optional>
#include <string>

// One media command text taken apart: play "PATH", close "PATH" or status "PATH" mode.
struct MediaCommand {
    enum class Verb { Play, Close, Status };

    Verb verb;
    std::string path;

    // The command, or nothing when the text is not exactly one of the three forms (one blank
    // between words, a non-empty path in double quotes, lower-case keywords).
    static std::optional<MediaCommand> parse(const std::string& text);
};
