#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// MP3 decoding through libmpg123, loaded at run time when the first MP3 is read, so a start of
// the game does not wait for it. We decode on the sound worker, a block at a time, so that
// neither the window nor a sound already playing ever waits for a decode.
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
