#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// MP3 decoding through libmpg123, loaded at run time (SDL_mixer already brings it into the
// process). We decode ourselves because SDL_mixer holds its audio lock for the whole decode of
// an MP3, which would freeze both the window and every sound playing for a fifth of a second.
class Mpg123Library {
public:
    // The library, or null when it cannot be loaded (MP3 files then fail like corrupt ones).
    static const Mpg123Library* instance();

    // One MP3 decoded piece by piece: bytes of the file go in as they are read, interleaved
    // signed 16-bit samples in native order come out.
    class Decoder {
    public:
        enum class Result { Samples, NeedMore, NewFormat, Failed };
        ~Decoder();
        Decoder(const Decoder&) = delete;
        Decoder& operator=(const Decoder&) = delete;

        bool feed(const std::uint8_t* data, std::size_t size);
        // Decodes into `out`; `done` is the number of bytes written (possibly 0).
        Result read(std::uint8_t* out, std::size_t room, std::size_t& done);
        // The format announced by the last NewFormat.
        void format(int& rate, int& channels) const;

    private:
        friend class Mpg123Library;
        Decoder(const Mpg123Library& library, void* handle);
        const Mpg123Library& m_library;
        void* m_handle;
    };

    // A decoder ready to be fed, or null when the library fails to make one.
    std::unique_ptr<Decoder> newDecoder() const;

private:
    Mpg123Library() = default;
    bool load();

    struct Functions;
    const Functions* m_fn = nullptr;
};
