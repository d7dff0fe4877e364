// What a player feels when a track starts, for a 60-minute MP3 (one true encode by lame of an
// hour of music that never repeats: drifting tones, a slow sweep and seeded noise) in the
// bundled format (22.05 kHz mono, converted for the device) and in 44.1 kHz stereo:
// - the largest gap between two events of a 1 ms Qt timer while the track starts and plays
//   with its music poll and key effects going on, against the same loop with sound off, in
//   the same run (a stall anywhere on the UI thread shows, not only inside the sound calls);
// - the longest single sound command on the UI thread;
// - from the play to the track's first sample mixed, on its first play (an unknown file, read
//   to tell a long sound from a short one) and on later plays; and to its first audible sample
//   leaving the mixer (the post-mix hook), which adds the silence an MP3 encoder puts first;
// - the process's peak memory while the 60-minute track streams, and how often a stream ran
//   short of samples.
//     bench-sound_stall            (needs lame; the MP3s are made once and kept in long-mp3/
//                                   beside the program, so a second run starts at once)
//     bench-sound_stall --write-mp3 FILE MINUTES [bundled|stereo]
#include "bench/sound_support.h"
#include "sound/MediaCommands.h"
#include "sound/SdlMedia.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <atomic>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <thread>

namespace {

using namespace soundbench;

// Marks when the first sound leaves the mixer after being armed.
struct FirstSample {
    std::atomic<bool> armed{false};
    std::atomic<std::int64_t> heardNs{0};
    static void hook(void* self, std::uint8_t* stream, int len) {
        auto* watch = static_cast<FirstSample*>(self);
        if (watch->armed.load() &&
            std::any_of(stream, stream + len, [](std::uint8_t b) { return b; })) {
            watch->heardNs.store(nowNs());
            watch->armed.store(false);
        }
    }
    void arm() {
        heardNs = 0;
        armed = true;
    }
};

struct Loop {
    double largestGapMs = 0; // between two 1 ms timer events, after the start
    double worstCommandMs = 0;
    double worstCommandCpuMs = 0; // the UI thread's own CPU time in it, without preemption
};

double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Runs the event loop for `ms` with a 1 ms precise timer, a 100 ms music timer and a 20 ms key
// timer, as a round does; `music` and `key` are what those timers do (nothing with sound off).
Loop runLoop(int ms, const std::function<void()>& music, const std::function<void()>& key) {
    Loop result;
    QEventLoop loop;
    QTimer fine;
    fine.setTimerType(Qt::PreciseTimer);
    fine.setInterval(1);
    std::int64_t last = 0;
    QObject::connect(&fine, &QTimer::timeout, [&] {
        const std::int64_t now = nowNs();
        if (last)
            result.largestGapMs = std::max(result.largestGapMs, (now - last) / 1e6);
        last = now;
    });
    auto timed = [&](const std::function<void()>& command) {
        const std::int64_t t = nowNs();
        const double cpu = threadCpuMs();
        command();
        result.worstCommandMs = std::max(result.worstCommandMs, (nowNs() - t) / 1e6);
        result.worstCommandCpuMs = std::max(result.worstCommandCpuMs, threadCpuMs() - cpu);
    };
    QTimer musicTimer;
    musicTimer.setInterval(100);
    QObject::connect(&musicTimer, &QTimer::timeout, [&] { timed(music); });
    QTimer keyTimer;
    keyTimer.setInterval(20);
    QObject::connect(&keyTimer, &QTimer::timeout, [&] { timed(key); });
    fine.start();
    // The first music tick starts the track, as on every screen; keys begin a moment later.
    QTimer::singleShot(50, [&] {
        musicTimer.start();
        timed(music);
    });
    QTimer::singleShot(150, [&] { keyTimer.start(); });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return result;
}

void measure(const char* label, const std::string& track, const std::string& effect) {
    const int runs = 5;
    std::vector<double> quietGaps, soundGaps, commands, commandCpu, firstPlays, replays, shutdowns,
        audible;
    double peak = 0;
    std::uint64_t underruns = 0;
    for (int run = 0; run < runs; ++run) {
        auto media = std::make_unique<SdlMedia>();
        media->preload(effect);
        media->waitUntilDecoded(std::chrono::seconds(5));
        FirstSample first;
        media->setPostMix(FirstSample::hook, &first);

        // Sound off: the same timers with nothing to send.
        quietGaps.push_back(runLoop(
                                600, [] {}, [] {})
                                .largestGapMs);

        resetPeakRss();
        std::int64_t played = 0;
        auto music = [&] {
            if (!played && MediaMode(*media, track) == "STOPPED") {
                first.arm();
                played = nowNs();
            }
            PollMusic(*media, track);
        };
        auto key = [&] {
            // Keys wait for the track's first sample, so the hook sees the track's.
            if (first.heardNs.load() == 0)
                return;
            CloseMedia(*media, effect);
            PlayMedia(*media, effect);
        };
        const Loop loop = runLoop(600, music, key);
        soundGaps.push_back(loop.largestGapMs);
        commands.push_back(loop.worstCommandMs);
        commandCpu.push_back(loop.worstCommandCpuMs);
        if (first.heardNs.load())
            audible.push_back((first.heardNs.load() - played) / 1e6);
        else
            std::printf("%s run %d: the track was not heard\n", label, run);
        if (const std::int64_t mixed = media->streamFirstMixed(track))
            firstPlays.push_back((mixed - played) / 1e6);

        // Later passes: the file is known to be long and streams at once.
        for (int pass = 0; pass < 3; ++pass) {
            CloseMedia(*media, track);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            first.arm();
            const std::int64_t t = nowNs();
            PlayMedia(*media, track);
            while (!media->streamFirstMixed(track) && nowNs() - t < 1'000'000'000)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            if (const std::int64_t mixed = media->streamFirstMixed(track))
                replays.push_back((mixed - t) / 1e6);
        }
        // Let it stream for a while, then quit with it playing.
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        peak = std::max(peak, peakRssMiB());
        underruns += media->streamUnderruns();
        media->setPostMix(nullptr, nullptr);
        const std::int64_t t = nowNs();
        media.reset();
        shutdowns.push_back((nowNs() - t) / 1e6);
    }
    std::printf("%s, %d runs:\n", label, runs);
    std::printf("  1 ms timer, largest gap: sound off median %.2f ms (max %.2f); track starting "
                "median %.2f ms (max %.2f)\n",
                percentile(quietGaps, 0.5), percentile(quietGaps, 1), percentile(soundGaps, 0.5),
                percentile(soundGaps, 1));
    std::printf("  longest sound command on the UI thread: %.3f ms wall, %.3f ms of the thread's "
                "CPU; shutdown with the track streaming: median %.1f ms\n",
                percentile(commands, 1), percentile(commandCpu, 1), percentile(shutdowns, 0.5));
    std::printf("  play to first sample mixed: first play median %.1f ms (max %.1f); later plays "
                "median %.1f ms (max %.1f, n=%zu)\n",
                percentile(firstPlays, 0.5), percentile(firstPlays, 1), percentile(replays, 0.5),
                percentile(replays, 1), replays.size());
    std::printf("  play to first audible sample out of the mixer (first play): median %.1f ms "
                "(max %.1f)\n",
                percentile(audible, 0.5), percentile(audible, 1));
    std::printf("  peak RSS while the 60-minute track streams: %.1f MiB; stream underruns: %llu\n",
                peak, static_cast<unsigned long long>(underruns));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "--write-mp3") == 0) {
        const bool bundled = argc < 5 || std::strcmp(argv[4], "stereo") != 0;
        return writeLongMp3(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), bundled) ? 0 : 1;
    }
    QCoreApplication app(argc, argv);
    // The hour-long encodes take minutes: made once, kept beside this program in the build
    // folder, copied into the scratch folder for each run.
    const QString cache = QCoreApplication::applicationDirPath() + QStringLiteral("/long-mp3");
    const std::int64_t encodeStart = nowNs();
    bool madeBundled = false, madeStereo = false;
    const QString bundled = cachedLongMp3(cache, 60, true, madeBundled);
    const QString stereo = cachedLongMp3(cache, 60, false, madeStereo);
    if (bundled.isEmpty() || stereo.isEmpty())
        return 1;
    const double encodeSeconds = (nowNs() - encodeStart) / 1e9;
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("music");
    QDir::setCurrent(dir.path());
    if (!QFile::copy(bundled, "music/eine.mp3") || !QFile::copy(stereo, "music/entertainer.mp3")) {
        std::fprintf(stderr, "cannot copy the MP3s into %s\n", qPrintable(dir.path()));
        return 1;
    }
    std::printf("two 60-minute MP3s, each one encode of music that never repeats (%.0f and %.0f "
                "MB): %s in %.1f s (%s)\n",
                QFileInfo("music/eine.mp3").size() / 1e6,
                QFileInfo("music/entertainer.mp3").size() / 1e6,
                madeBundled || madeStereo ? "encoded" : "reused", encodeSeconds, qPrintable(cache));
    writeFile("music/ok.wav", musicWav(0.15));
    {
        SdlMedia probe;
        std::printf("driver %s, buffer %d frames\n", probe.driver().c_str(), probe.bufferFrames());
    }
    measure("60-minute MP3, 22.05 kHz mono (the bundled format, converted)", "music\\eine.mp3",
            "music\\ok.wav");
    measure("60-minute MP3, 44.1 kHz stereo", "music\\entertainer.mp3", "music\\ok.wav");
    return 0;
}
