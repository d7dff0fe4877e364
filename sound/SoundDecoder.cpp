#include "sound/SoundDecoder.h"

#include "sound/SdlLibrary.h"

#include "sound/Mpg123Library.h"
#include "sound/SampleConverter.h"

#include <QString>

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace {

// Source samples handed to the converter at a time: small enough to keep a block's work short,
// large enough that the per-call costs do not show.
constexpr std::size_t kPieceFrames = 4096;
// Bytes of an MP3 file read at a time.
constexpr std::size_t kFileBlock = 16384;

bool isWav(const std::uint8_t* head, std::size_t size) {
    return size >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
}

std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

} // namespace

struct SoundDecoder::Mp3 {
    std::unique_ptr<Mpg123Library::Decoder> decoder;
    std::vector<std::uint8_t> block = std::vector<std::uint8_t>(kFileBlock);
    bool fileDone = false;
};

SoundDecoder::SoundDecoder(std::uint16_t format, int channels, int rate)
    : m_format(format), m_channels(channels), m_rate(rate),
      m_outFrame(SDL_AUDIO_BITSIZE(format) / 8 * static_cast<std::size_t>(channels)) {}

SoundDecoder::~SoundDecoder() {
    if (m_whole)
        SdlLibrary::instance()->freeWav(m_whole);
}

bool SoundDecoder::looksLikeSound(const std::uint8_t* head, std::size_t size) {
    if (isWav(head, size))
        return true;
    if (size >= 3 && std::memcmp(head, "ID3", 3) == 0)
        return true;
    // A bare MPEG audio frame starts with eleven set bits.
    return size >= 2 && head[0] == 0xFF && (head[1] & 0xE0) == 0xE0;
}

bool SoundDecoder::open(const std::string& file) {
    if (m_kind != Kind::None)
        return false;
    m_file.setFileName(QString::fromStdString(file));
    if (!m_file.open(QIODevice::ReadOnly))
        return false;
    std::uint8_t head[12] = {};
    const qint64 n = m_file.peek(reinterpret_cast<char*>(head), sizeof head);
    if (n <= 0 || !looksLikeSound(head, static_cast<std::size_t>(n)))
        return false;
    return isWav(head, static_cast<std::size_t>(n)) ? openWav() : openMp3();
}

bool SoundDecoder::openWav() {
    m_file.seek(12);
    std::uint8_t chunk[8];
    std::uint8_t fmt[40] = {};
    bool haveFmt = false;
    for (;;) {
        if (m_file.read(reinterpret_cast<char*>(chunk), 8) != 8)
            return false;
        const std::uint32_t size = le32(chunk + 4);
        const qint64 body = m_file.pos();
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            const qint64 want = std::min<qint64>(size, sizeof fmt);
            if (size < 16 || m_file.read(reinterpret_cast<char*>(fmt), want) != want)
                return false;
            haveFmt = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFmt)
                return false;
            // A header that claims more than the file holds (a cut-off file, or one written
            // while recording) plays what is there.
            m_dataLeft =
                std::min<std::uint64_t>(size, static_cast<std::uint64_t>(m_file.size() - body));
            break;
        }
        // Chunks are padded to an even length.
        const qint64 next = body + size + (size & 1);
        if (next > m_file.size() || !m_file.seek(next))
            return false;
    }

    std::uint16_t tag = le16(fmt);
    const int channels = le16(fmt + 2);
    const int rate = static_cast<int>(le32(fmt + 4));
    const int align = le16(fmt + 12);
    const int bits = le16(fmt + 14);
    if (tag == 0xFFFE && le16(fmt + 16) >= 22)
        tag = le16(fmt + 24); // the sub-format of WAVE_FORMAT_EXTENSIBLE
    std::uint16_t format = 0;
    if (tag == 1 && bits == 8)
        format = AUDIO_U8;
    else if (tag == 1 && bits == 16)
        format = AUDIO_S16LSB;
    else if (tag == 1 && (bits == 24 || bits == 32))
        format = AUDIO_S32LSB;
    else if (tag == 3 && bits == 32)
        format = AUDIO_F32LSB;
    const bool plain = format != 0 && channels >= 1 && channels <= 8 && rate > 0 &&
                       rate <= 384000 && align == channels * bits / 8;
    if (plain) {
        m_kind = Kind::Wav;
        m_widen24 = bits == 24;
        return startConversion(format, channels, rate);
    }

    // Compressed encodings are rare in a game's music folder: SDL decodes them whole.
    const QString name = m_file.fileName();
    m_file.close();
    const SdlLibrary* sdl = SdlLibrary::instance();
    if (!sdl)
        return false;
    SDL_AudioSpec decoded;
    SDL_RWops* rw = sdl->rwFromFile(name.toLocal8Bit().constData(), "rb");
    if (!rw || !sdl->loadWavRw(rw, 1, &decoded, &m_whole, &m_wholeSize))
        return false;
    m_kind = Kind::WavWhole;
    return startConversion(decoded.format, decoded.channels, decoded.freq);
}

bool SoundDecoder::openMp3() {
    const Mpg123Library* library = Mpg123Library::instance();
    if (!library)
        return false;
    m_mp3 = std::make_unique<Mp3>();
    m_mp3->decoder = library->newDecoder();
    if (!m_mp3->decoder)
        return false;
    m_kind = Kind::Mp3;
    return true; // the format comes with the first frame
}

bool SoundDecoder::startConversion(std::uint16_t format, int channels, int rate) {
    m_haveFormat = true;
    m_inFormat = format;
    m_inChannels = channels;
    m_inRate = rate;
    m_inFrame = SDL_AUDIO_BITSIZE(format) / 8 * static_cast<std::size_t>(channels);
    if (format == m_format && channels == m_channels && rate == m_rate)
        return true;
    m_convert =
        std::make_unique<SampleConverter>(format, channels, rate, m_format, m_channels, m_rate);
    return m_convert->valid();
}

std::size_t SoundDecoder::read(std::uint8_t* out, std::size_t room) {
    room -= room % m_outFrame;
    std::size_t written = 0;
    while (written < room && !m_ended) {
        if (m_convert && m_convert->available() > 0) {
            written += m_convert->get(out + written, room - written);
            continue;
        }
        if (!m_convert && m_pieceAt < m_piece.size()) {
            const std::size_t n = std::min(room - written, m_piece.size() - m_pieceAt);
            std::memcpy(out + written, m_piece.data() + m_pieceAt, n);
            m_pieceAt += n;
            written += n;
            continue;
        }
        if (m_sourceDone) {
            m_ended = true;
            break;
        }
        if (!pullSource()) {
            m_sourceDone = true;
            if (m_convert)
                m_convert->finish();
            continue;
        }
        if (m_convert) {
            m_convert->put(m_piece.data(), m_piece.size());
            m_pieceAt = m_piece.size();
        }
    }
    return written;
}

bool SoundDecoder::pullSource() {
    m_piece.clear();
    m_pieceAt = 0;
    bool more = false;
    switch (m_kind) {
    case Kind::Wav:
        more = pullWav();
        break;
    case Kind::WavWhole: {
        const std::size_t n =
            std::min<std::size_t>((m_wholeSize - m_wholeAt) / m_inFrame, kPieceFrames) * m_inFrame;
        m_piece.assign(m_whole + m_wholeAt, m_whole + m_wholeAt + n);
        m_wholeAt += static_cast<std::uint32_t>(n);
        more = n > 0;
        break;
    }
    case Kind::Mp3:
        more = pullMp3();
        break;
    case Kind::None:
        break;
    }
    if (!more)
        m_piece.clear();
    return more;
}

bool SoundDecoder::pullWav() {
    const std::size_t fileFrame = m_widen24 ? m_inFrame / 4 * 3 : m_inFrame;
    const std::size_t want = static_cast<std::size_t>(
        std::min<std::uint64_t>(m_dataLeft / fileFrame, kPieceFrames) * fileFrame);
    if (want == 0)
        return false;
    std::vector<std::uint8_t> raw(want);
    const qint64 got = m_file.read(reinterpret_cast<char*>(raw.data()), static_cast<qint64>(want));
    if (got <= 0)
        return false;
    m_dataLeft -= static_cast<std::uint64_t>(got);
    raw.resize(static_cast<std::size_t>(got) / fileFrame * fileFrame);
    if (!m_widen24) {
        m_piece = std::move(raw);
    } else {
        m_piece.resize(raw.size() / 3 * 4);
        for (std::size_t i = 0, o = 0; i + 2 < raw.size(); i += 3, o += 4) {
            m_piece[o] = 0;
            m_piece[o + 1] = raw[i];
            m_piece[o + 2] = raw[i + 1];
            m_piece[o + 3] = raw[i + 2];
        }
    }
    return !m_piece.empty();
}

bool SoundDecoder::pullMp3() {
    Mp3& mp3 = *m_mp3;
    m_piece.resize(kPieceFrames * 4);
    for (;;) {
        std::size_t done = 0;
        const auto result = mp3.decoder->read(m_piece.data(), m_piece.size(), done);
        if (result == Mpg123Library::Decoder::Result::NewFormat) {
            int rate = 0;
            int channels = 0;
            mp3.decoder->format(rate, channels);
            if (!m_haveFormat) {
                if (!startConversion(AUDIO_S16SYS, channels, rate))
                    return false;
            } else if (rate != m_inRate || channels != m_inChannels) {
                return false; // a stream that changes its format halfway is cut there
            }
        }
        if (done > 0 && m_haveFormat) {
            m_piece.resize(done / m_inFrame * m_inFrame);
            if (!m_piece.empty())
                return true;
        }
        if (result == Mpg123Library::Decoder::Result::Failed)
            return false;
        if (result == Mpg123Library::Decoder::Result::NeedMore) {
            if (mp3.fileDone)
                return false;
            const qint64 got = m_file.read(reinterpret_cast<char*>(mp3.block.data()), kFileBlock);
            if (got <= 0) {
                mp3.fileDone = true;
                // An empty feed tells nothing new, but a last frame may still be waiting.
                continue;
            }
            if (!mp3.decoder->feed(mp3.block.data(), static_cast<std::size_t>(got)))
                return false;
        }
    }
}
