// How soon a key effect is heard: from PlayMedia on a cached effect to the first buffer that
// carries its samples out of the mixer (the post-mix hook), over 1000 keys as the round sends
// them (close, then play).
#include "bench/sound_support.h"
#include "sound/MediaCommands.h"
#include "sound/SdlMedia.h"

#include <atomic>
#include <random>
#include <thread>

namespace {

struct MixWatch {
    std::atomic<std::int64_t> buffers{0};
    std::atomic<bool> armed{false};
    std::atomic<std::int64_t> heardNs{0};
};

void afterMix(void* udata, std::uint8_t* stream, int len) {
    auto* watch = static_cast<MixWatch*>(udata);
    if (watch->armed.load()) {
        const bool sound = std::any_of(stream, stream + len, [](std::uint8_t b) { return b != 0; });
        if (sound) {
            watch->heardNs.store(soundbench::nowNs());
            watch->armed.store(false);
        }
    }
    watch->buffers.fetch_add(1);
}

void waitBuffers(const MixWatch& watch, std::int64_t count) {
    const std::int64_t target = watch.buffers.load() + count;
    while (watch.buffers.load() < target)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

} // namespace

int main() {
    using namespace soundbench;
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("music");
    QDir::setCurrent(dir.path());
    writeFile("music/ok.wav", musicWav(0.15));

    const std::int64_t opening = nowNs();
    SdlMedia media;
    const double constructMs = (nowNs() - opening) / 1e6;
    const bool device = media.hasDevice();
    const double openMs = (nowNs() - opening) / 1e6;
    if (!device) {
        std::printf("no audio device, not even the dummy driver\n");
        return 1;
    }
    const std::string effect = "music\\ok.wav";
    media.preload(effect);
    media.waitUntilDecoded(std::chrono::seconds(5));

    MixWatch watch;
    media.setPostMix(afterMix, &watch);
    const int keys = 1000;
    const double bufferMs = 1000.0 * media.bufferFrames() / 44100.0;
    // Keys fall at any moment of the audio thread's cycle, not just after a buffer was mixed.
    std::mt19937 generator(12345);
    std::uniform_real_distribution<double> phase(0.0, bufferMs);
    std::vector<double> latencies;
    int missed = 0;
    for (int i = 0; i < keys; ++i) {
        CloseMedia(media, effect);
        // One whole silent buffer after the close, so the next sound seen is this key's.
        waitBuffers(watch, 2);
        std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(phase(generator)));
        watch.heardNs.store(0);
        watch.armed.store(true);
        const std::int64_t sent = nowNs();
        CloseMedia(media, effect);
        PlayMedia(media, effect);
        const std::int64_t deadline = sent + 1'000'000'000;
        while (watch.heardNs.load() == 0 && nowNs() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        if (watch.heardNs.load() == 0) {
            ++missed;
            watch.armed.store(false);
            continue;
        }
        latencies.push_back(static_cast<double>(watch.heardNs.load() - sent) / 1e6);
    }
    media.setPostMix(nullptr, nullptr);

    std::printf("driver %s opened in %.1f ms on the worker (constructor returned after %.2f ms), "
                "buffer %d frames (%.1f ms)\n",
                media.driver().c_str(), openMs, constructMs, media.bufferFrames(), bufferMs);
    std::printf("key effect to mixer over %zu keys: median %.2f ms, p99 %.2f ms, max %.2f ms, "
                "missed %d\n",
                latencies.size(), percentile(latencies, 0.5), percentile(latencies, 0.99),
                percentile(latencies, 1.0), missed);
    return 0;
}
