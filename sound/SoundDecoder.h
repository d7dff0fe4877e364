#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// Turns a WAV or MP3 file into samples in the audio device's own format, without touching the
// device, so it can run on a worker thread while sounds play.
class SoundDecoder {
public:
    // The device's format, as SDL describes it (an SDL_AudioFormat, channels, frames a second).
    SoundDecoder(std::uint16_t format, int channels, int rate);

    // The whole file decoded; false when it is missing, empty, corrupt or of another kind, or
    // when `cancel` turns true before the end (a long MP3 is given up at once on shutdown).
    bool decode(const std::string& file, std::vector<std::uint8_t>& pcm,
                const std::atomic<bool>& cancel) const;

    // Whether the first bytes of a file are those of a WAV or an MP3.
    static bool looksLikeSound(const std::uint8_t* head, std::size_t size);

private:
    bool convert(std::uint16_t format, int channels, int rate, const std::uint8_t* data,
                 std::size_t size, std::vector<std::uint8_t>& pcm) const;

    std::uint16_t m_format;
    int m_channels;
    int m_rate;
};
