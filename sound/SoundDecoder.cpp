#include "sound/SoundDecoder.h"

#include "sound/Mpg123Library.h"

#include <QFile>
#include <QString>

#include <SDL.h>

#include <cstring>

namespace {

bool isWav(const std::uint8_t* head, std::size_t size) {
    return size >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
}

} // namespace

SoundDecoder::SoundDecoder(std::uint16_t format, int channels, int rate)
    : m_format(format), m_channels(channels), m_rate(rate) {}

bool SoundDecoder::looksLikeSound(const std::uint8_t* head, std::size_t size) {
    if (isWav(head, size))
        return true;
    if (size >= 3 && std::memcmp(head, "ID3", 3) == 0)
        return true;
    // A bare MPEG audio frame starts with eleven set bits.
    return size >= 2 && head[0] == 0xFF && (head[1] & 0xE0) == 0xE0;
}

bool SoundDecoder::decode(const std::string& file, std::vector<std::uint8_t>& pcm,
                          const std::atomic<bool>& cancel) const {
    pcm.clear();
    QFile f(QString::fromStdString(file));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.readAll();
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const auto size = static_cast<std::size_t>(bytes.size());
    if (!looksLikeSound(data, size))
        return false;

    if (isWav(data, size)) {
        SDL_AudioSpec wavFormat;
        Uint8* samples = nullptr;
        Uint32 length = 0;
        SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
        if (!rw || !SDL_LoadWAV_RW(rw, 1, &wavFormat, &samples, &length))
            return false;
        const bool ok =
            convert(wavFormat.format, wavFormat.channels, wavFormat.freq, samples, length, pcm);
        SDL_FreeWAV(samples);
        return ok;
    }

    const Mpg123Library* mpg123 = Mpg123Library::instance();
    std::vector<std::uint8_t> decoded;
    int rate = 0;
    int channels = 0;
    if (!mpg123 || !mpg123->decode(data, size, decoded, rate, channels, cancel))
        return false;
    if (rate == m_rate && channels == m_channels && m_format == AUDIO_S16SYS) {
        pcm = std::move(decoded);
        return true;
    }
    return convert(AUDIO_S16SYS, channels, rate, decoded.data(), decoded.size(), pcm);
}

bool SoundDecoder::convert(std::uint16_t format, int channels, int rate, const std::uint8_t* data,
                           std::size_t size, std::vector<std::uint8_t>& pcm) const {
    if (format == m_format && channels == m_channels && rate == m_rate) {
        const std::size_t frame =
            SDL_AUDIO_BITSIZE(format) / 8 * static_cast<std::size_t>(channels);
        pcm.assign(data, data + size / frame * frame);
        return !pcm.empty();
    }
    SDL_AudioStream* stream = SDL_NewAudioStream(format, static_cast<Uint8>(channels), rate,
                                                 m_format, static_cast<Uint8>(m_channels), m_rate);
    if (!stream)
        return false;
    // The resampler holds back the last few hundred frames even when flushed: feed it silence
    // after the sound and keep exactly the frames that belong to the sound.
    const std::size_t inFrame = SDL_AUDIO_BITSIZE(format) / 8 * static_cast<std::size_t>(channels);
    const std::size_t outFrame =
        SDL_AUDIO_BITSIZE(m_format) / 8 * static_cast<std::size_t>(m_channels);
    const auto outFrames =
        static_cast<std::size_t>(static_cast<std::int64_t>(size / inFrame) * m_rate / rate);
    const std::vector<std::uint8_t> silence(4096 * inFrame, format == AUDIO_U8 ? 0x80 : 0);
    bool ok = SDL_AudioStreamPut(stream, data, static_cast<int>(size)) == 0 &&
              SDL_AudioStreamPut(stream, silence.data(), static_cast<int>(silence.size())) == 0 &&
              SDL_AudioStreamFlush(stream) == 0;
    if (ok) {
        pcm.resize(static_cast<std::size_t>(SDL_AudioStreamAvailable(stream)));
        const int got = SDL_AudioStreamGet(stream, pcm.data(), static_cast<int>(pcm.size()));
        ok = got > 0;
        pcm.resize(ok ? std::min(static_cast<std::size_t>(got), outFrames * outFrame) : 0);
    }
    SDL_FreeAudioStream(stream);
    return ok;
}
