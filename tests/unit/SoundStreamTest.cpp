#include "sound/SoundDecoder.h"
#include "sound/StreamRing.h"
#include "tests/support/TempWorkDir.h"

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <SDL.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// A WAV of a sine tone in any plain encoding: tag 1 (PCM, 8/16/24/32 bits) or 3 (float).
QByteArray wav(double seconds, int rate, int channels, int bits, int tag = 1, double hz = 440) {
    const int frames = static_cast<int>(seconds * rate);
    const int bytes = bits / 8;
    QByteArray data;
    for (int i = 0; i < frames; ++i) {
        const double v = 0.25 * std::sin(2 * M_PI * hz * i / rate);
        for (int c = 0; c < channels; ++c) {
            if (tag == 3) {
                const float f = static_cast<float>(v);
                data.append(reinterpret_cast<const char*>(&f), 4);
            } else if (bits == 8) {
                data.append(static_cast<char>(128 + static_cast<int>(127 * v)));
            } else {
                const auto s = static_cast<std::int64_t>(v * std::pow(2.0, bits - 1));
                for (int b = 0; b < bytes; ++b)
                    data.append(static_cast<char>((s >> (8 * b)) & 0xFF));
            }
        }
    }
    auto u32 = [](std::uint32_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](std::uint16_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 2); };
    const auto align = static_cast<std::uint16_t>(channels * bytes);
    return "RIFF" + u32(36 + data.size()) + "WAVEfmt " + u32(16) + u16(tag) + u16(channels) +
           u32(rate) + u32(rate * align) + u16(align) + u16(bits) + "data" + u32(data.size()) +
           data;
}

// Everything a decoder gives for a file, read `room` bytes at a time.
std::vector<std::uint8_t> readAll(const QString& file, std::size_t room) {
    SoundDecoder decoder(AUDIO_S16SYS, 2, 44100);
    if (!decoder.open(file.toStdString()))
        return {};
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> block(room);
    while (const std::size_t n = decoder.read(block.data(), block.size())) {
        EXPECT_EQ(n % 4, 0u) << "a read ended inside a frame";
        out.insert(out.end(), block.begin(), block.begin() + static_cast<long>(n));
    }
    EXPECT_TRUE(decoder.ended());
    return out;
}

std::vector<std::int16_t> leftChannel(const std::vector<std::uint8_t>& pcm) {
    std::vector<std::int16_t> left(pcm.size() / 4);
    for (std::size_t i = 0; i < left.size(); ++i)
        std::memcpy(&left[i], pcm.data() + 4 * i, 2);
    return left;
}

} // namespace

// The audio thread reads while the worker writes; an index that wraps wrongly would play
// samples twice, skip some, or let the writer overwrite samples not yet played.
TEST(SoundStreamRing, keepsTheOrderAcrossWrapsAndNeverOverfills) {
    StreamRing ring(1000);
    EXPECT_EQ(ring.space(), 1000u);
    std::vector<std::uint8_t> in(1500);
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    EXPECT_EQ(ring.write(in.data(), in.size()), 1000u) << "wrote past what the reader has freed";
    EXPECT_EQ(ring.write(in.data(), 1), 0u);

    // Odd read and write sizes make every wrap land somewhere else.
    std::vector<std::uint8_t> out;
    std::size_t next = 1000;
    std::uint8_t piece[997];
    for (int round = 0; out.size() < 20000; ++round) {
        const std::size_t got = ring.read(piece, 1 + (round * 313) % 997);
        out.insert(out.end(), piece, piece + got);
        while (ring.space() > 0) {
            const std::size_t n = std::min<std::size_t>(1 + (round * 131) % 600, ring.space());
            std::vector<std::uint8_t> chunk(n);
            for (std::size_t i = 0; i < n; ++i)
                chunk[i] = static_cast<std::uint8_t>((next + i) * 7 + (next + i) / 251);
            ASSERT_EQ(ring.write(chunk.data(), n), n);
            next += n;
        }
        ASSERT_EQ(ring.available(), 1000u);
    }
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], static_cast<std::uint8_t>(i * 7 + i / 251)) << "byte " << i;
    EXPECT_EQ(ring.read(piece, 0), 0u);
}

// Long tracks are decoded in blocks of whatever size the ring has room for: a block boundary
// that dropped, repeated or reordered converted samples would make the result depend on the
// block size, and a wrong end would lengthen or shorten every pass of a looping track.
TEST(SoundStreamDecoder, blocksOfAnySizeGiveTheSameSoundOfTheRightLength) {
    TempWorkDir dir;
    struct Case {
        const char* name;
        QByteArray bytes;
        std::size_t frames; // at 44.1 kHz
    };
    const Case cases[] = {
        {"music/bundled.wav", wav(3.0, 22050, 1, 16), 132300}, // the bundled format, converted
        {"music/device.wav", wav(1.0, 44100, 2, 16), 44100},   // passed through untouched
        {"music/u8.wav", wav(0.5, 11025, 1, 8), 22048},
        {"music/s16at48.wav", wav(1.0, 48000, 2, 16), 44100},
        {"music/s24.wav", wav(1.0, 48000, 2, 24), 44100},
        {"music/s32.wav", wav(1.0, 44100, 1, 32), 44100},
        {"music/f32.wav", wav(1.0, 44100, 2, 32, 3), 44100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir.writeBytes(c.name, c.bytes);
        const std::vector<std::uint8_t> whole = readAll(dir.path(c.name), 1 << 22);
        EXPECT_EQ(whole.size() / 4, c.frames);
        for (std::size_t room : {4u, 4100u, 16384u, 65532u})
            ASSERT_EQ(readAll(dir.path(c.name), room), whole) << "in blocks of " << room;
        // Still the tone at the level it was written, with no click at a block boundary: a
        // 440 Hz sine at a quarter of full scale moves at most 0.25 * 2 pi 440 / 44100 a frame.
        const std::vector<std::int16_t> left = leftChannel(whole);
        int peak = 0;
        int jump = 0;
        std::size_t jumpAt = 0;
        for (std::size_t i = 1000; i + 1000 < left.size(); ++i) {
            peak = std::max(peak, std::abs(left[i]));
            if (std::abs(left[i] - left[i - 1]) > jump) {
                jump = std::abs(left[i] - left[i - 1]);
                jumpAt = i;
            }
        }
        EXPECT_NEAR(peak, 8192, 200);
        EXPECT_LT(jump, 600) << jumpAt;
    }
}

// A file whose header lies must neither play noise nor read beyond the file.
TEST(SoundStreamDecoder, brokenFilesGiveNoSoundOrOnlyWhatIsThere) {
    TempWorkDir dir;
    // A data chunk that claims more than the file holds plays the frames that are there.
    QByteArray cut = wav(1.0, 44100, 2, 16);
    cut.chop(cut.size() - 44 - 4 * 1000 - 3);
    dir.writeBytes("music/cut.wav", cut);
    EXPECT_EQ(readAll(dir.path("music/cut.wav"), 4096).size(), 4000u);
    // An MP3 of nothing but a tag and filler: opens, gives nothing.
    dir.writeBytes("music/filler.mp3", "ID3\x03" + QByteArray(20000, '\x11'));
    EXPECT_TRUE(readAll(dir.path("music/filler.mp3"), 4096).empty());
    // A format we cannot read (12-bit PCM) and a header cut inside its fmt chunk.
    QByteArray twelve = wav(0.1, 44100, 1, 16);
    twelve[34] = 12;
    dir.writeBytes("music/twelve.wav", twelve);
    EXPECT_TRUE(readAll(dir.path("music/twelve.wav"), 4096).empty());
    dir.writeBytes("music/short.wav", wav(0.1, 44100, 1, 16).left(30));
    SoundDecoder decoder(AUDIO_S16SYS, 2, 44100);
    EXPECT_FALSE(decoder.open(dir.path("music/short.wav").toStdString()));
}

// MP3 tracks in the bundled format (22.05 kHz mono) are decoded and converted a block at a
// time; the length must survive the conversion.
TEST(SoundStreamDecoder, anMp3InTheBundledFormatStreamsToItsFullLength) {
    const QString lame = QStandardPaths::findExecutable("lame");
    if (lame.isEmpty())
        GTEST_SKIP() << "lame is needed to make an MP3";
    TempWorkDir dir;
    dir.writeBytes("music/source.wav", wav(4.0, 22050, 1, 16));
    ASSERT_EQ(QProcess::execute(lame, {"--quiet", "-m", "m", "-b", "64",
                                       dir.path("music/source.wav"), dir.path("music/eine.mp3")}),
              0);
    const std::vector<std::uint8_t> whole = readAll(dir.path("music/eine.mp3"), 1 << 22);
    EXPECT_NEAR(whole.size() / 4 / 44100.0, 4.0, 0.06);
    EXPECT_EQ(readAll(dir.path("music/eine.mp3"), 3000), whole);
}
