#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes mono 16-bit PCM as a RIFF WAVE file.
class WavFile {
public:
    static std::string bytes(const std::vector<std::int16_t>& samples, int sampleRate);
    // Writes beside the target first and renames, so a failed build never leaves half a file;
    // creates missing folders. Throws std::runtime_error naming the file.
    static void write(const std::string& path, const std::vector<std::int16_t>& samples,
                      int sampleRate);
};
