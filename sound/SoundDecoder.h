#pragma once

#include <QFile>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class SampleConverter;

// Turns a WAV or MP3 file into samples in the audio device's own format, a block at a time,
// without touching the device: a worker thread reads a long track as it plays, so memory does
// not grow with the track's length. The file is read in small pieces; MP3 through libmpg123,
// PCM and float WAV directly, other WAV encodings (ADPCM, a-law...) through SDL whole.
class SoundDecoder {
public:
    // The device's format, as SDL describes it (an SDL_AudioFormat, channels, frames a second).
    SoundDecoder(std::uint16_t format, int channels, int rate);
    ~SoundDecoder();
    SoundDecoder(const SoundDecoder&) = delete;
    SoundDecoder& operator=(const SoundDecoder&) = delete;

    // False when the file is missing, empty, of another kind or its header is broken. A file
    // that opens may still turn out to hold no sound: its first read then returns 0.
    bool open(const std::string& file);
    // Writes up to `room` bytes (whole device frames) of the sound's next samples and returns
    // how many; 0 only at the end of the sound.
    std::size_t read(std::uint8_t* out, std::size_t room);
    // Whether everything the file holds has been read. A stream that turns corrupt halfway
    // ends there.
    bool ended() const { return m_ended; }
    // Bytes of one frame in the device's format.
    std::size_t frameBytes() const { return m_outFrame; }

    // Whether the first bytes of a file are those of a WAV or an MP3.
    static bool looksLikeSound(const std::uint8_t* head, std::size_t size);

private:
    bool openWav();
    bool openMp3();
    bool startConversion(std::uint16_t format, int channels, int rate);
    // Fills m_piece with the next samples in the file's own format; false at the end.
    bool pullSource();
    bool pullWav();
    bool pullMp3();

    const std::uint16_t m_format;
    const int m_channels;
    const int m_rate;
    const std::size_t m_outFrame;

    enum class Kind { None, Wav, WavWhole, Mp3 };
    Kind m_kind = Kind::None;
    QFile m_file;
    std::uint64_t m_dataLeft = 0;    // WAV bytes still to read
    bool m_widen24 = false;          // 24-bit WAV samples are widened to 32 bits
    std::uint8_t* m_whole = nullptr; // WAV decoded by SDL, served from memory
    std::uint32_t m_wholeSize = 0;
    std::uint32_t m_wholeAt = 0;
    struct Mp3;
    std::unique_ptr<Mp3> m_mp3;

    // The file's format once known.
    bool m_haveFormat = false;
    std::uint16_t m_inFormat = 0;
    int m_inChannels = 0;
    int m_inRate = 0;
    std::size_t m_inFrame = 0;
    std::unique_ptr<SampleConverter> m_convert; // null when the file is in the device's format

    std::vector<std::uint8_t> m_piece; // source samples not yet handed on
    std::size_t m_pieceAt = 0;
    bool m_sourceDone = false;
    bool m_ended = false;
};
