#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

// MP3 decoding through libmpg123, loaded at run time (SDL_mixer already brings it into the
// process). We decode ourselves because SDL_mixer holds its audio lock for the whole decode of
// an MP3, which would freeze both the window and every sound playing for a fifth of a second.
class Mpg123Library {
public:
    // The library, or null when it cannot be loaded (MP3 files then fail like corrupt ones).
    static const Mpg123Library* instance();

    // Decodes a whole MP3 held in memory to interleaved signed 16-bit samples in native order;
    // false when no audio comes out of it or `cancel` turns true on the way.
    bool decode(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& pcm,
                int& rate, int& channels, const std::atomic<bool>& cancel) const;

private:
    Mpg123Library() = default;
    bool load();

    struct Functions;
    const Functions* m_fn = nullptr;
};
