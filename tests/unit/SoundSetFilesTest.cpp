#include "sound/SoundDecoder.h"
#include "tools/synth/WavFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// What the build generated, before any player could have touched it.
const QString generatedMusic = QStringLiteral(KAZAMINA_RUN_DIR "/../generated/music/");

// One sound file as the game's sound layer decodes it, folded down to one channel.
struct Decoded {
    bool loaded = false;
    std::string error;
    int rate = 0;
    std::vector<float> samples; // -1..1

    double seconds() const { return rate ? static_cast<double>(samples.size()) / rate : 0; }
    double peakDb(std::size_t from = 0, std::size_t to = SIZE_MAX) const {
        float peak = 0;
        for (std::size_t i = from; i < std::min(to, samples.size()); ++i)
            peak = std::max(peak, std::abs(samples[i]));
        return peak > 0 ? 20 * std::log10(peak) : -200;
    }
    double rmsDb() const {
        double sum = 0;
        for (float s : samples)
            sum += static_cast<double>(s) * s;
        return sum > 0 ? 10 * std::log10(sum / samples.size()) : -200;
    }
    // Sign changes a second: many for a bright chime, few for a low buzz.
    double crossingsPerSecond() const {
        int crossings = 0;
        for (std::size_t i = 1; i < samples.size(); ++i)
            crossings += (samples[i - 1] < 0) != (samples[i] < 0);
        return crossings / seconds();
    }
};

// Folds interleaved samples down to their loudest channel, scaled to -1..1.
Decoded fromSamples(const std::uint8_t* data, std::size_t size, SDL_AudioFormat format,
                    int channels, int rate) {
    Decoded d;
    d.rate = rate;
    const int bytes = SDL_AUDIO_BITSIZE(format) / 8;
    const std::size_t frames = size / (bytes * channels);
    d.samples.resize(frames);
    for (std::size_t f = 0; f < frames; ++f) {
        float loudest = 0;
        for (int c = 0; c < channels; ++c) {
            const std::uint8_t* p = data + (f * channels + c) * bytes;
            float v = 0;
            if (SDL_AUDIO_ISFLOAT(format)) {
                std::memcpy(&v, p, 4);
            } else if (bytes == 2) {
                Sint16 s;
                std::memcpy(&s, p, 2);
                v = s / 32768.0f;
            } else if (bytes == 4) {
                Sint32 s;
                std::memcpy(&s, p, 4);
                v = static_cast<float>(s / 2147483648.0);
            }
            if (std::abs(v) >= std::abs(loudest))
                loudest = v;
        }
        d.samples[f] = loudest;
    }
    d.loaded = true;
    return d;
}

// The game's device format: what every sound is converted to before it is heard.
constexpr int kRate = 44100;
constexpr SDL_AudioFormat kFormat = AUDIO_S16SYS;
constexpr int kChannels = 2;

Decoded decode(const QString& path) {
    SoundDecoder decoder(kFormat, kChannels, kRate);
    if (!decoder.open(QFile::encodeName(path).toStdString())) {
        Decoded d;
        d.error = "does not open as sound";
        return d;
    }
    std::vector<std::uint8_t> pcm;
    std::vector<std::uint8_t> block(1 << 16);
    while (const std::size_t n = decoder.read(block.data(), block.size()))
        pcm.insert(pcm.end(), block.data(), block.data() + n);
    return fromSamples(pcm.data(), pcm.size(), kFormat, kChannels, kRate);
}

struct Expected {
    const char* name;
    double minSeconds;
    double maxSeconds;
    bool background; // a looping track that plays under the key effects
};

const Expected twelve[] = {
    {"ok.wav", 0.01, 0.06, false},    {"miss.wav", 0.03, 0.15, false},
    {"fanfare.wav", 2, 4, false},     {"loop1.wav", 10, 30, true},
    {"loop2.wav", 10, 30, true},      {"loop3.wav", 10, 30, true},
    {"kanpai.mp3", 20, 60, true},     {"eine.mp3", 40, 120, true},
    {"ifudoudou.mp3", 40, 120, true}, {"entertainer.mp3", 40, 120, true},
    {"nocturne.mp3", 40, 120, true},  {"peterwolf.mp3", 20, 60, true},
};

// Every file goes through the game's own decoder and resampling to the device's format.
class SoundSetFiles : public testing::Test {};

} // namespace

// Catches a file missing from the set, a broken encode, a track rendered too short or too long,
// clipping, a silent render, and a loop whose ends would click when the poll restarts it.
TEST_F(SoundSetFiles, everyFileDecodesWithItsLengthAndNeitherClipsNorFallsSilent) {
    for (const Expected& e : twelve) {
        SCOPED_TRACE(e.name);
        const Decoded d = decode(generatedMusic + e.name);
        ASSERT_TRUE(d.loaded) << d.error;
        EXPECT_GE(d.seconds(), e.minSeconds);
        EXPECT_LE(d.seconds(), e.maxSeconds);
        EXPECT_LE(d.peakDb(), -1.0);
        EXPECT_GT(d.rmsDb(), -30.0);
        if (e.background) {
            // Rendered to exactly zero; the MP3 coder may smear a few thousandths onto the ends,
            // but a track cut short by the resampler would end on a step.
            EXPECT_LT(std::abs(d.samples.front()), 0.03);
            EXPECT_LT(std::abs(d.samples.back()), 0.03);
        }
    }
}

// The build lays the same files into the game's music folder.
TEST_F(SoundSetFiles, theRunDirectoryHoldsAllTwelve) {
    for (const Expected& e : twelve) {
        EXPECT_TRUE(QFile::exists(QStringLiteral(KAZAMINA_RUN_DIR "/music/") + e.name)) << e.name;
    }
}

// Key effects must cut through the music: every background track sits well below both effects,
// yet not so far that it turns into a murmur.
TEST_F(SoundSetFiles, musicSitsSixToTenDecibelsBelowTheKeyEffects) {
    const double ok = decode(generatedMusic + "ok.wav").rmsDb();
    const double miss = decode(generatedMusic + "miss.wav").rmsDb();
    for (const Expected& e : twelve) {
        if (!e.background)
            continue;
        SCOPED_TRACE(e.name);
        const double music = decode(generatedMusic + e.name).rmsDb();
        EXPECT_GE(std::min(ok, miss) - music, 6.0);
        EXPECT_LE(std::max(ok, miss) - music, 10.0);
    }
}

// A hit must never be mistaken for a miss, even at typing speed: the hit is bright and high,
// the miss low, and both are over before the next key of a fast typist.
TEST_F(SoundSetFiles, okAndMissAreShortAndSoundClearlyDifferent) {
    const Decoded ok = decode(generatedMusic + "ok.wav");
    const Decoded miss = decode(generatedMusic + "miss.wav");
    ASSERT_TRUE(ok.loaded && miss.loaded);
    EXPECT_LE(ok.seconds(), 0.06);
    EXPECT_LE(miss.seconds(), 0.15);
    EXPECT_GT(ok.crossingsPerSecond(), 4 * miss.crossingsPerSecond())
        << ok.crossingsPerSecond() << " against " << miss.crossingsPerSecond();
}

// Our WAV writer's header must be one SDL's own reader accepts, with every sample accounted
// for.
TEST_F(SoundSetFiles, writtenWavFilesLoadWithEverySample) {
    // Half a sine, read at its own rate.
    std::vector<std::int16_t> arch(1001);
    for (std::size_t i = 0; i < arch.size(); ++i)
        arch[i] = static_cast<std::int16_t>(std::lround(16000 * std::sin(M_PI * i / 1000.0)));
    const std::string bytes = WavFile::bytes(arch, 22050);
    SDL_AudioSpec read{};
    std::uint8_t* data = nullptr;
    Uint32 size = 0;
    ASSERT_NE(SDL_LoadWAV_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1,
                             &read, &data, &size),
              nullptr)
        << SDL_GetError();
    const Decoded d = fromSamples(data, size, read.format, read.channels, read.freq);
    SDL_FreeWAV(data);
    EXPECT_EQ(read.freq, 22050);
    EXPECT_NEAR(d.seconds(), 1001.0 / 22050, 2.0 / 22050);
    EXPECT_NEAR(d.peakDb(), 20 * std::log10(16000.0 / 32768), 0.1);
}

namespace {

// Runs the build's lay-out step over a generated folder and a run folder.
class LayOut {
public:
    LayOut() { QDir(m_dir.path()).mkpath("gen"); }
    void generate(const char* name, const QByteArray& bytes) { put("gen/" + QString(name), bytes); }
    void playerPuts(const char* name, const QByteArray& bytes) {
        put("run/" + QString(name), bytes);
    }
    void playerRemoves(const char* name) { QFile::remove(m_dir.filePath("run/" + QString(name))); }
    QByteArray played(const char* name) const {
        QFile f(m_dir.filePath("run/" + QString(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    int run() {
        return QProcess::execute(KAZAMINA_CMAKE_COMMAND,
                                 {"-DGENERATED=" + m_dir.filePath("gen"),
                                  "-DRUN=" + m_dir.filePath("run"),
                                  "-DRECORD=" + m_dir.filePath("laid.sha256"), "-P",
                                  KAZAMINA_SOURCE_DIR "/tools/lay-music.cmake"});
    }

private:
    void put(const QString& relative, const QByteArray& bytes) {
        QDir(m_dir.path()).mkpath(QFileInfo(relative).path());
        QFile f(m_dir.filePath(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QTemporaryDir m_dir;
};

} // namespace

// A player's own music must survive every rebuild; our files must still follow new renders.
TEST(SoundSetLayOut, updatesOnlyFilesTheBuildLaidThereItself) {
    LayOut lay;
    lay.generate("a.wav", "a1");
    lay.generate("b.mp3", "b1");
    lay.playerPuts("b.mp3", "player's b"); // there before any build
    ASSERT_EQ(lay.run(), 0);
    EXPECT_EQ(lay.played("a.wav"), "a1");
    EXPECT_EQ(lay.played("b.mp3"), "player's b");

    lay.generate("a.wav", "a2"); // a new render replaces our own earlier file
    ASSERT_EQ(lay.run(), 0);
    EXPECT_EQ(lay.played("a.wav"), "a2");

    lay.playerPuts("a.wav", "player's a"); // the player swaps it, then we render again
    lay.generate("a.wav", "a3");
    ASSERT_EQ(lay.run(), 0);
    EXPECT_EQ(lay.played("a.wav"), "player's a");
    ASSERT_EQ(lay.run(), 0);
    EXPECT_EQ(lay.played("a.wav"), "player's a");

    lay.playerRemoves("a.wav"); // giving up their own file brings ours back
    lay.playerRemoves("b.mp3");
    ASSERT_EQ(lay.run(), 0);
    EXPECT_EQ(lay.played("a.wav"), "a3");
    EXPECT_EQ(lay.played("b.mp3"), "b1");
}
