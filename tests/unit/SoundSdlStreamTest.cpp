#include "sound/MediaCommands.h"
#include "sound/SdlMedia.h"
#include "tests/support/TempWorkDir.h"

#include <QByteArray>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <thread>

// Long sounds stream from their files. These tests play through SDL's dummy driver, which
// consumes sound in real time; a post-mix hook watches what actually leaves the mixer.
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A mono 16-bit sine in the bundled format (22.05 kHz), so every stream is converted.
QByteArray toneWav(double seconds, double amplitude, int rate = 22050) {
    const int frames = static_cast<int>(seconds * rate);
    QByteArray data;
    for (int i = 0; i < frames; ++i) {
        const auto s = static_cast<std::int16_t>(amplitude * std::sin(2 * M_PI * 441.0 * i / rate));
        data.append(reinterpret_cast<const char*>(&s), 2);
    }
    auto u32 = [](std::uint32_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](std::uint16_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 2); };
    return "RIFF" + u32(36 + data.size()) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(rate) +
           u32(rate * 2) + u16(2) + u16(16) + "data" + u32(data.size()) + data;
}

// What the mixer sent to the device: frames in all, the first and last frame that carried
// sound, and the loudest sample of the latest buffers.
struct Heard {
    std::atomic<std::int64_t> frames{0};
    std::atomic<std::int64_t> first{-1};
    std::atomic<std::int64_t> last{-1};
    std::atomic<int> peak{0};

    static void hook(void* self, std::uint8_t* stream, int len) {
        auto* heard = static_cast<Heard*>(self);
        const auto* samples = reinterpret_cast<const std::int16_t*>(stream);
        const int n = len / 4;
        int peak = 0;
        for (int i = 0; i < n; ++i) {
            const int loudest = std::max(std::abs(samples[2 * i]), std::abs(samples[2 * i + 1]));
            if (loudest > 0) {
                const std::int64_t at = heard->frames.load() + i;
                if (heard->first.load() < 0)
                    heard->first.store(at);
                heard->last.store(at);
            }
            peak = std::max(peak, loudest);
        }
        heard->peak.store(peak);
        heard->frames.fetch_add(n);
    }
    void reset() {
        first = -1;
        last = -1;
        peak = 0;
    }
    // Waits for a few whole buffers to leave the mixer.
    void waitBuffers(int count) const {
        const std::int64_t until = frames.load() + 512 * count;
        const auto deadline = Clock::now() + 2s;
        while (frames.load() < until && Clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
    }
};

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

} // namespace

// A long track streams: it is never held in memory, it is heard for exactly its length (a
// ring that lost or repeated blocks, or a conversion that cut the tail, would change that),
// it then reads as stopped so the poll starts it again, and close silences it at once.
TEST(SoundSdlStream, aLongTrackPlaysItsWholeLengthOnceUnkeptThenLoopsAndStopsOnClose) {
    TempWorkDir dir;
    const double seconds = 2.8;
    dir.writeBytes("music/kanpai.wav", toneWav(seconds, 8000));
    const std::string track = "music\\kanpai.wav";
    SdlMedia media;
    ASSERT_TRUE(media.hasDevice());
    const int rate = media.deviceFormat().rate;
    ASSERT_EQ(media.deviceFormat().channels, 2);
    Heard heard;
    media.setPostMix(Heard::hook, &heard);

    PollMusic(media, track);
    EXPECT_EQ(MediaMode(media, track), "PLAYING");
    ASSERT_TRUE(waitFor([&] { return MediaMode(media, track) == "STOPPED"; }, 6s))
        << "the track never ended";
    EXPECT_EQ(media.cachedBytes(), 0u) << "a long track was kept in memory";
    heard.waitBuffers(2);
    const double heardSeconds = static_cast<double>(heard.last - heard.first + 1) / rate;
    EXPECT_NEAR(heardSeconds, seconds, 2.0 / 441) << "heard for the wrong length";
    EXPECT_EQ(media.streamUnderruns(), 0u);

    // The poll after the end starts it again from the beginning.
    heard.reset();
    PollMusic(media, track);
    EXPECT_EQ(MediaMode(media, track), "PLAYING");
    ASSERT_TRUE(waitFor([&] { return heard.first.load() >= 0; }, 1s)) << "no second pass";
    heard.waitBuffers(4);
    EXPECT_GT(heard.peak.load(), 7000);
    CloseMedia(media, track);
    EXPECT_EQ(MediaMode(media, track), "STOPPED");
    heard.waitBuffers(3);
    EXPECT_EQ(heard.peak.load(), 0) << "still heard after close";
    media.setPostMix(nullptr, nullptr);
}

// Two screens' music overlap when one closes late, and key effects sound over both: every
// one must be mixed in, and stopping one must leave the others.
TEST(SoundSdlStream, overlappingTracksAndEffectsAreAllHeardAndStopIndependently) {
    TempWorkDir dir;
    dir.writeBytes("music/kanpai.wav", toneWav(6, 6000));
    dir.writeBytes("music/loop1.wav", toneWav(6, 6000));
    dir.writeBytes("music/ok.wav", toneWav(1.5, 6000));
    const std::string title = "music\\kanpai.wav";
    const std::string menu = "music\\loop1.wav";
    const std::string effect = "music\\ok.wav";
    SdlMedia media;
    media.preload(effect);
    ASSERT_TRUE(media.waitUntilDecoded(5s));
    Heard heard;
    media.setPostMix(Heard::hook, &heard);

    PlayMedia(media, title);
    ASSERT_TRUE(waitFor([&] { return heard.peak.load() > 5000; }, 1s));
    heard.waitBuffers(2);
    const int one = heard.peak.load();
    PlayMedia(media, menu);
    // The same tone in phase only when both start together: look for a louder sum instead.
    ASSERT_TRUE(waitFor([&] { return MediaMode(media, menu) == "PLAYING"; }, 1s));
    PlayMedia(media, effect);
    heard.waitBuffers(3);
    EXPECT_EQ(MediaMode(media, title), "PLAYING");
    EXPECT_EQ(MediaMode(media, menu), "PLAYING");
    EXPECT_EQ(MediaMode(media, effect), "PLAYING");
    int loudest = 0;
    for (int i = 0; i < 20; ++i) {
        heard.waitBuffers(1);
        loudest = std::max(loudest, heard.peak.load());
    }
    EXPECT_GT(loudest, one * 3 / 2) << "not every sound was mixed in";

    CloseMedia(media, title);
    EXPECT_EQ(MediaMode(media, title), "STOPPED");
    EXPECT_EQ(MediaMode(media, menu), "PLAYING");
    EXPECT_EQ(MediaMode(media, effect), "PLAYING");
    CloseMedia(media, effect);
    heard.waitBuffers(3);
    EXPECT_GT(heard.peak.load(), 5000) << "closing the others silenced the menu's track";
    EXPECT_EQ(MediaMode(media, menu), "PLAYING");
    // A play on a track that still sounds starts it over, once: the old pass must go.
    PlayMedia(media, menu);
    heard.waitBuffers(3);
    EXPECT_LT(heard.peak.load(), 6600) << "the old pass still sounds under the new one";
    // Leaving with streams playing must neither hang nor crash.
    media.setPostMix(nullptr, nullptr);
}

// A player may replace a track while the game runs: a track that turned into garbage must
// fail like a missing file (empty mode, so the poll stops sending play), and one that comes
// back plays again.
TEST(SoundSdlStream, aTrackReplacedBetweenPassesIsReadAfresh) {
    TempWorkDir dir;
    dir.writeBytes("music/eine.wav", toneWav(3, 6000));
    const std::string track = "music\\eine.wav";
    SdlMedia media;
    PlayMedia(media, track);
    ASSERT_TRUE(media.waitUntilDecoded(5s));
    EXPECT_EQ(MediaMode(media, track), "PLAYING");
    CloseMedia(media, track);

    dir.writeBytes("music/eine.wav", "RIFF garbage, not a sound any more");
    PlayMedia(media, track);
    ASSERT_TRUE(media.waitUntilDecoded(5s));
    EXPECT_EQ(MediaMode(media, track), "");

    // A changed file is tried again.
    std::this_thread::sleep_for(20ms);
    dir.writeBytes("music/eine.wav", toneWav(0.5, 6000));
    PlayMedia(media, track);
    ASSERT_TRUE(media.waitUntilDecoded(5s));
    EXPECT_EQ(MediaMode(media, track), "PLAYING");
}

// The first read of a track decides whether it streams; a close and a new play in the middle of
// that read must leave the track playing from the beginning, not waiting forever for a start
// that never comes. The first read comes through a pipe, so it stops exactly where we want.
TEST(SoundSdlStream, closeAndPlayDuringTheFirstReadStartsTheTrackAfresh) {
    const QString lame = QStandardPaths::findExecutable("lame");
    if (lame.isEmpty())
        GTEST_SKIP() << "lame is needed to make an MP3";
    TempWorkDir dir;
    dir.writeBytes("source.wav", toneWav(6, 6000));
    ASSERT_EQ(QProcess::execute(
                  lame, {"--quiet", "-b", "64", dir.path("source.wav"), dir.path("track.mp3")}),
              0);
    const QByteArray mp3 = dir.readBytes("track.mp3");
    const QByteArray pipe = dir.path("music/eine.mp3").toLocal8Bit();
    QDir().mkpath(dir.path("music"));
    ASSERT_EQ(mkfifo(pipe.constData(), 0600), 0);

    SdlMedia media;
    ASSERT_TRUE(media.hasDevice());
    // Made after the interface, so it is closed first should a check fail: the interface's
    // worker, blocked reading the pipe, then sees its end and can be waited for.
    struct Writer {
        int fd = -1;
        ~Writer() {
            if (fd >= 0)
                ::close(fd);
        }
    } writer;
    const std::string track = "music\\eine.mp3";
    PlayMedia(media, track);
    for (auto until = Clock::now() + 2s; writer.fd < 0 && Clock::now() < until;) {
        writer.fd = ::open(pipe.constData(), O_WRONLY | O_NONBLOCK);
        if (writer.fd < 0)
            std::this_thread::sleep_for(2ms);
    }
    ASSERT_GE(writer.fd, 0) << "the track was never opened";
    fcntl(writer.fd, F_SETFL, 0);
    // Two seconds' worth, one block of the file reader: the track starts, but the read cannot
    // yet tell it is long.
    const qsizetype part = 16384;
    ASSERT_EQ(::write(writer.fd, mp3.constData(), part), part);
    ASSERT_TRUE(waitFor([&] { return media.streamFirstMixed(track) != 0; }, 2s));
    CloseMedia(media, track);
    PlayMedia(media, track);
    EXPECT_EQ(MediaMode(media, track), "PLAYING");

    // The rest of the first read; the next opening of the path finds an ordinary file.
    ASSERT_EQ(::write(writer.fd, mp3.constData() + part, mp3.size() - part), mp3.size() - part);
    ASSERT_EQ(std::rename(dir.path("track.mp3").toLocal8Bit().constData(), pipe.constData()), 0);
    ::close(writer.fd);
    writer.fd = -1;
    EXPECT_TRUE(waitFor([&] { return media.streamFirstMixed(track) != 0; }, 2s))
        << "the new play never started";
    EXPECT_EQ(MediaMode(media, track), "PLAYING");
}
