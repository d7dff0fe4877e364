// The longest time the UI thread is held up when a 3-minute MP3 track starts: the play itself
// and every command a screen sends (mode polls, key effects) while the track decodes.
#include "bench/sound_support.h"
#include "sound/MediaCommands.h"
#include "sound/SdlMedia.h"

#include <QProcess>
#include <QStandardPaths>

#include <memory>
#include <thread>

int main() {
    using namespace soundbench;
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("music");
    QDir::setCurrent(dir.path());
    const QString lame = QStandardPaths::findExecutable("lame");
    if (lame.isEmpty()) {
        std::printf("lame is needed to make the MP3\n");
        return 1;
    }
    writeFile("music/source.wav", musicWav(180.0));
    const std::int64_t encodeStart = nowNs();
    if (QProcess::execute(lame, {"--quiet", "-b", "128", "music/source.wav", "music/eine.mp3"}) !=
        0) {
        std::printf("lame failed\n");
        return 1;
    }
    std::printf("encoded 3:00 of music in %.1f s\n", (nowNs() - encodeStart) / 1e9);
    QFile::remove("music/source.wav");
    writeFile("music/ok.wav", musicWav(0.15));

    const std::string track = "music\\eine.mp3";
    const std::string effect = "music\\ok.wav";
    const int runs = 5;
    double worstStall = 0;
    double worstPlay = 0;
    double worstPoll = 0;
    double worstEffect = 0;
    std::vector<double> decodes;
    for (int run = 0; run < runs; ++run) {
        // A fresh interface each run, so the track is not cached yet.
        SdlMedia media;
        media.preload(effect);
        media.waitUntilDecoded(std::chrono::seconds(5));

        auto timed = [&](auto&& command) {
            const std::int64_t t = nowNs();
            command();
            const double ms = (nowNs() - t) / 1e6;
            worstStall = std::max(worstStall, ms);
            return ms;
        };
        const std::int64_t start = nowNs();
        worstPlay = std::max(worstPlay, timed([&] { PollMusic(media, track); }));
        // A screen's timers and keys go on while the track decodes.
        while (!media.waitUntilDecoded(std::chrono::milliseconds(0))) {
            worstPoll = std::max(worstPoll, timed([&] { PollMusic(media, track); }));
            worstEffect = std::max(worstEffect, timed([&] {
                                       CloseMedia(media, effect);
                                       PlayMedia(media, effect);
                                   }));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        decodes.push_back((nowNs() - start) / 1e6);
        timed([&] { PollMusic(media, track); });
        if (MediaMode(media, track) != "PLAYING")
            std::printf("run %d: the track is not playing\n", run);
        // Shutting down with the track playing is part of the run.
        timed([&] { CloseMedia(media, track); });
    }
    // Quitting while the track still decodes and a key effect sounds must not keep the player.
    double shutdownMs = 0;
    {
        auto media = std::make_unique<SdlMedia>();
        media->preload(effect);
        media->waitUntilDecoded(std::chrono::seconds(5));
        PlayMedia(*media, effect);
        PlayMedia(*media, track);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const std::int64_t t = nowNs();
        media.reset();
        shutdownMs = (nowNs() - t) / 1e6;
    }
    std::printf("3-minute MP3 over %d runs: longest UI-thread stall %.3f ms (first poll and play "
                "%.3f ms, later polls %.3f ms, key effects %.3f ms); background decode median "
                "%.0f ms\n",
                runs, worstStall, worstPlay, worstPoll, worstEffect, percentile(decodes, 0.5));
    std::printf("shutdown while the track decodes and an effect plays: %.1f ms\n", shutdownMs);
    return 0;
}
