#include "sound/MediaCommands.h"
#include "sound/SdlMedia.h"
#include "tests/support/TempWorkDir.h"

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

// These tests play through SDL's dummy driver, which consumes sound in real time: the waits
// below are for the audio thread, short and bounded, never for a game timer.
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kDecodeLimit = 5s;

// A mono sine tone, 16-bit (or 8-bit unsigned) samples.
QByteArray toneWav(int ms, double hz = 440.0, int rate = 44100, int bits = 16) {
    const int frames = static_cast<int>(static_cast<int64_t>(rate) * ms / 1000);
    const int bytes = bits / 8;
    QByteArray data;
    data.reserve(frames * bytes);
    for (int i = 0; i < frames; ++i) {
        const double v = std::sin(2 * M_PI * hz * i / rate);
        if (bits == 8) {
            data.append(static_cast<char>(128 + static_cast<int>(60 * v)));
        } else {
            const auto s = static_cast<int16_t>(8000 * v);
            data.append(static_cast<char>(s & 0xFF)).append(static_cast<char>((s >> 8) & 0xFF));
        }
    }
    auto u32 = [](uint32_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](uint16_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 2); };
    return "RIFF" + u32(36 + data.size()) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(rate) +
           u32(rate * bytes) + u16(bytes) + u16(bits) + "data" + u32(data.size()) + data;
}

// Passes commands on and keeps their texts, to see what a poll sent.
struct TeeMedia : MediaInterface {
    explicit TeeMedia(MediaInterface& inner) : inner(inner) {}
    int sendString(const std::string& command, char* reply, int replyRoom) override {
        commands.push_back(command);
        return inner.sendString(command, reply, replyRoom);
    }
    int plays() const {
        return static_cast<int>(std::count_if(commands.begin(), commands.end(),
                                              [](auto& c) { return c.rfind("play ", 0) == 0; }));
    }
    MediaInterface& inner;
    std::vector<std::string> commands;
};

} // namespace

// The loop as a screen runs it: the first poll starts the track, polls while it sounds do not
// cut it short, the poll after its end starts it again at once, and close silences it at once.
TEST(SoundSdlMedia, musicLoopStartsRestartsAfterEachEndAndStopsOnClose) {
    TempWorkDir dir;
    const int trackMs = 200;
    dir.writeBytes("music/loop1.wav", toneWav(trackMs));
    const std::string path = "music\\loop1.wav";
    SdlMedia sdl;
    ASSERT_TRUE(sdl.hasDevice());
    TeeMedia media(sdl);

    EXPECT_EQ(MediaMode(media, path), "STOPPED");
    std::vector<Clock::time_point> plays;
    const auto deadline = Clock::now() + 5s;
    while (plays.size() < 4 && Clock::now() < deadline) {
        const int before = media.plays();
        PollMusic(media, path);
        if (media.plays() > before) {
            plays.push_back(Clock::now());
            // Sounding (or waiting for its decode) at once, so the next poll leaves it be.
            ASSERT_EQ(MediaMode(media, path), "PLAYING");
        }
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_EQ(plays.size(), 4u) << "the track never came round again";
    for (std::size_t i = 1; i < plays.size(); ++i)
        EXPECT_GE(plays[i] - plays[i - 1], std::chrono::milliseconds(trackMs - 30))
            << "restarted while still playing";

    CloseMedia(media, path);
    EXPECT_EQ(MediaMode(media, path), "STOPPED");
}

// A background track (MP3) and a key effect (WAV) sound together on channels of their own:
// stopping one, or playing the other again without a close, leaves the other as it was.
TEST(SoundSdlMedia, twoPathsSoundAndStopIndependently) {
    TempWorkDir dir;
    dir.writeBytes("music/ok.wav", toneWav(1500, 880));
    const std::string effect = "music\\ok.wav";
    std::string track = "music\\ok2.wav";
    const QString lame = QStandardPaths::findExecutable("lame");
    if (lame.isEmpty()) {
        dir.writeBytes("music/ok2.wav", toneWav(1500));
    } else {
        dir.writeBytes("music/source.wav", toneWav(1500));
        ASSERT_EQ(QProcess::execute(
                      lame, {"--quiet", dir.path("music/source.wav"), dir.path("music/eine.mp3")}),
                  0);
        track = "music\\eine.mp3";
    }
    SdlMedia media;
    media.preload(track);
    media.preload(effect);
    ASSERT_TRUE(media.waitUntilDecoded(kDecodeLimit));
    // Both decode whole, mono widened to the device's stereo: 1.5 s each, give or take the
    // encoder's padding.
    const double seconds = media.cachedBytes() / (44100.0 * 4);
    EXPECT_NEAR(seconds, 3.0, 0.1);

    PlayMedia(media, track);
    PlayMedia(media, effect);
    EXPECT_EQ(MediaMode(media, track), "PLAYING");
    EXPECT_EQ(MediaMode(media, effect), "PLAYING");
    CloseMedia(media, effect);
    EXPECT_EQ(MediaMode(media, effect), "STOPPED");
    EXPECT_EQ(MediaMode(media, track), "PLAYING");
    PlayMedia(media, effect);
    PlayMedia(media, effect);
    EXPECT_EQ(MediaMode(media, effect), "PLAYING");
    CloseMedia(media, track);
    EXPECT_EQ(MediaMode(media, track), "STOPPED");
    EXPECT_EQ(MediaMode(media, effect), "PLAYING");
    // Closing a path that was never opened is harmless.
    CloseMedia(media, "music\\never.wav");
    EXPECT_EQ(MediaMode(media, effect), "PLAYING");
}

// A first play waits for the decoder: meanwhile it must read as playing (or the poll sends it
// again), and a close in that time must keep the decoder from starting it afterwards.
TEST(SoundSdlMedia, closeBeforeTheDecodeEndsCancelsTheStart) {
    TempWorkDir dir;
    dir.writeBytes("music/long.wav", toneWav(30000));
    dir.writeBytes("music/fanfare.wav", toneWav(1000));
    const std::string fanfare = "music\\fanfare.wav";
    SdlMedia media;
    // Keeps the decoder busy so the fanfare's play is surely still pending.
    media.preload("music\\long.wav");
    PlayMedia(media, fanfare);
    EXPECT_EQ(MediaMode(media, fanfare), "PLAYING");
    CloseMedia(media, fanfare);
    EXPECT_EQ(MediaMode(media, fanfare), "STOPPED");
    ASSERT_TRUE(media.waitUntilDecoded(kDecodeLimit));
    EXPECT_EQ(MediaMode(media, fanfare), "STOPPED");

    // Now decoded and cached, a play starts at once; shutting down while it sounds and while
    // another decode runs must neither hang nor crash.
    PlayMedia(media, fanfare);
    EXPECT_EQ(MediaMode(media, fanfare), "PLAYING");
    dir.writeBytes("music/other.wav", toneWav(20000));
    PlayMedia(media, "music\\other.wav");
}

// Files that cannot be played leave the game silent: an empty mode (before and after a play),
// so the poll sends nothing more than its query.
TEST(SoundSdlMedia, missingEmptyAndCorruptFilesGiveAnEmptyModeAndNoRestart) {
    TempWorkDir dir;
    dir.writeBytes("music/empty.wav", "");
    dir.writeBytes("music/text.wav", "not a sound at all, only text");
    dir.writeBytes("music/broken.wav", toneWav(500).left(30));
    dir.writeBytes("music/garbled.wav",
                   QByteArray("RIFF\x10\0\0\0WAVEjunk", 16) + QByteArray(4000, '\x7f'));
    dir.writeBytes("music/broken.mp3", "ID3\x03" + QByteArray(5000, '\x11'));
    SdlMedia sdl;
    for (const std::string path :
         {"music\\missing.wav", "music\\empty.wav", "music\\text.wav", "music\\broken.wav",
          "music\\garbled.wav", "music\\broken.mp3"}) {
        SCOPED_TRACE(path);
        TeeMedia media(sdl);
        PlayMedia(media, path);
        ASSERT_TRUE(sdl.waitUntilDecoded(kDecodeLimit));
        char reply[20];
        std::memset(reply, '?', sizeof reply);
        EXPECT_NE(sdl.sendString("status \"" + path + "\" mode", reply, sizeof reply), 0);
        EXPECT_STREQ(reply, "");
        media.commands.clear();
        PollMusic(media, path);
        PollMusic(media, path);
        EXPECT_EQ(media.plays(), 0);
        EXPECT_EQ(media.commands.size(), 2u);
    }
    // Never played: the query fails from the start for a file that is not there.
    EXPECT_EQ(MediaMode(sdl, "music\\nothing.mp3"), "");
}

// Anything but the three exact forms is refused with an error and touches no sound.
TEST(SoundSdlMedia, malformedCommandsAreRefusedAndChangeNothing) {
    TempWorkDir dir;
    dir.writeBytes("music/ok.wav", toneWav(3000));
    dir.writeBytes("music/miss.wav", toneWav(3000));
    SdlMedia media;
    media.preload("music\\ok.wav");
    ASSERT_TRUE(media.waitUntilDecoded(kDecodeLimit));
    PlayMedia(media, "music\\ok.wav");

    for (const std::string bad :
         {"", "close", "close \"music\\ok.wav\" ", "close  \"music\\ok.wav\"",
          "close music\\ok.wav", "close \"music\\ok.wav", "stop \"music\\ok.wav\"", "close \"\"",
          "close \"music\\ok.wav\" mode", "play \"music\\miss.wav\" mode", "play music\\miss.wav",
          "status \"music\\ok.wav\"", "status \"music\\ok.wav\" mode now"}) {
        char reply[20];
        std::memset(reply, '?', sizeof reply);
        EXPECT_NE(media.sendString(bad, reply, sizeof reply), 0) << bad;
        EXPECT_STREQ(reply, "") << bad;
    }
    EXPECT_EQ(MediaMode(media, "music\\ok.wav"), "PLAYING");
    EXPECT_EQ(MediaMode(media, "music\\miss.wav"), "STOPPED");

    // A small reply area gets what fits and a NUL, and nothing beyond it.
    char small[8];
    std::memset(small, '?', sizeof small);
    EXPECT_EQ(media.sendString("status \"music\\ok.wav\" mode", small, 4), 0);
    EXPECT_EQ(std::string(small, 8), std::string("pla\0????", 8));
    EXPECT_NE(media.sendString("status \"music\\ok.wav\" mode", nullptr, 0), 0);
}

// With no usable sound card the game falls back to the dummy driver, and failing that runs
// silent: every query answers empty, so polls never send play, and nothing crashes.
TEST(SoundSdlMedia, aDeviceThatFailsFallsBackToTheDummyDriverThenToSilence) {
    TempWorkDir dir;
    dir.writeBytes("music/ok.wav", toneWav(1000));
    {
        SdlMedia media(SdlMediaOptions{{"no-such-driver", "dummy"}});
        EXPECT_EQ(media.driver(), "dummy");
        EXPECT_LE(media.bufferFrames(), 512);
        PlayMedia(media, "music\\ok.wav");
        EXPECT_EQ(MediaMode(media, "music\\ok.wav"), "PLAYING");
    }
    SdlMedia silent(SdlMediaOptions{{"no-such-driver"}});
    EXPECT_FALSE(silent.hasDevice());
    TeeMedia media(silent);
    PollMusic(media, "music\\ok.wav");
    PlayMedia(media, "music\\ok.wav");
    EXPECT_EQ(MediaMode(media, "music\\ok.wav"), "");
    EXPECT_EQ(media.plays(), 1);
    CloseMedia(media, "music\\ok.wav");
}

// The cache stays within its budget by dropping the oldest idle sound, but never a sound that
// is playing, even one bigger than the whole budget.
TEST(SoundSdlMedia, cacheDropsTheOldestIdleSoundButNeverAPlayingOne) {
    TempWorkDir dir;
    dir.writeBytes("music/ok.wav", toneWav(500));
    dir.writeBytes("music/loop2.wav", toneWav(2000));
    const std::size_t okBytes = 44100 / 2 * 4; // stereo 16-bit on the device
    SdlMedia media(SdlMediaOptions{{"", "dummy"}, okBytes + okBytes / 2});
    media.preload("music\\ok.wav");
    ASSERT_TRUE(media.waitUntilDecoded(kDecodeLimit));
    EXPECT_EQ(media.cachedBytes(), okBytes);

    PlayMedia(media, "music\\loop2.wav");
    ASSERT_TRUE(media.waitUntilDecoded(kDecodeLimit));
    EXPECT_EQ(MediaMode(media, "music\\loop2.wav"), "PLAYING");
    EXPECT_EQ(media.cachedBytes(), okBytes * 4);

    // The effect was dropped, not lost: it decodes again and plays.
    PlayMedia(media, "music\\ok.wav");
    ASSERT_TRUE(media.waitUntilDecoded(kDecodeLimit));
    EXPECT_EQ(MediaMode(media, "music\\ok.wav"), "PLAYING");
}

// Sounds made at other rates and sample sizes are converted to the device's format whole:
// a conversion that dropped or doubled samples would show in the decoded length.
TEST(SoundSdlMedia, wavAndMp3AtOtherRatesDecodeToTheirFullLength) {
    TempWorkDir dir;
    dir.writeBytes("music/miss.wav", toneWav(1000, 300, 22050, 8));
    SdlMedia media;
    const double bytesPerSecond = 44100.0 * 4;
    media.preload("music\\miss.wav");
    ASSERT_TRUE(media.waitUntilDecoded(kDecodeLimit));
    EXPECT_NEAR(media.cachedBytes() / bytesPerSecond, 1.0, 0.01);

    const QString lame = QStandardPaths::findExecutable("lame");
    if (lame.isEmpty())
        GTEST_SKIP() << "lame is needed to make an MP3";
    dir.writeBytes("music/source.wav", toneWav(2000));
    ASSERT_EQ(
        QProcess::execute(lame, {"--quiet", "--resample", "48", "-m", "j",
                                 dir.path("music/source.wav"), dir.path("music/nocturne.mp3")}),
        0);
    const std::size_t before = media.cachedBytes();
    PlayMedia(media, "music\\nocturne.mp3");
    ASSERT_TRUE(media.waitUntilDecoded(kDecodeLimit));
    EXPECT_EQ(MediaMode(media, "music\\nocturne.mp3"), "PLAYING");
    EXPECT_NEAR((media.cachedBytes() - before) / bytesPerSecond, 2.0, 0.1);
}
