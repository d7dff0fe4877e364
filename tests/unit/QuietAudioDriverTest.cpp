#include "sound/QuietAudioDriver.h"

#include <QSet>
#include <QTemporaryFile>
#include <gtest/gtest.h>

#include <cstdio>
#include <dlfcn.h>
#include <unistd.h>

namespace {

using Drivers = std::vector<std::string>;

QuietAudioDriver::Host host(QSet<QString> files, QByteArray sdl = {}, QString runtime = "/run/u") {
    QuietAudioDriver::Host h;
    h.sdlAudioDriver = sdl;
    h.runtimeDir = runtime;
    h.exists = [files](const QString& path) { return files.contains(path); };
    return h;
}

// What libasound prints to standard error while fn runs.
template <typename Fn> std::string stderrOf(Fn fn) {
    std::fflush(stderr);
    QTemporaryFile capture;
    if (!capture.open())
        return "(no capture file)";
    const int saved = dup(2);
    dup2(capture.handle(), 2);
    fn();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    capture.seek(0);
    return capture.readAll().toStdString();
}

} // namespace

// The desktop's sound server is asked before SDL's own round of drivers, the dummy fallback
// stays last, and a driver the player named is left alone. Catches: the sound card probed
// first on a desktop, the silent fallback lost or moved up, SDL_AUDIODRIVER overruled, a
// socket looked for at the root when XDG_RUNTIME_DIR is unset, a driver tried twice.
TEST(QuietAudioDriver, asksTheDesktopSoundServerFirstAndKeepsTheFallbackLast) {
    const Drivers standard{"", "dummy"};
    EXPECT_EQ(QuietAudioDriver::order(standard, host({})), standard);
    EXPECT_EQ(QuietAudioDriver::order(standard, host({"/run/u/pulse/native"})),
              (Drivers{"pulseaudio", "", "dummy"}));
    EXPECT_EQ(QuietAudioDriver::order(standard, host({"/run/u/pulse/native", "/run/u/pipewire-0"})),
              (Drivers{"pulseaudio", "pipewire", "", "dummy"}));
    EXPECT_EQ(QuietAudioDriver::order(standard, host({"/run/u/pipewire-0"})),
              (Drivers{"pipewire", "", "dummy"}));

    QuietAudioDriver::Host remote = host({});
    remote.pulseServer = "tcp:media-box";
    EXPECT_EQ(QuietAudioDriver::order(standard, remote), (Drivers{"pulseaudio", "", "dummy"}));

    EXPECT_EQ(QuietAudioDriver::order(standard, host({"/run/u/pulse/native"}, "alsa")), standard);
    EXPECT_EQ(QuietAudioDriver::order(standard, host({"/pulse/native", "/pipewire-0"}, {}, "")),
              standard);
    // Tests and benchmarks name their driver: nothing is added to that.
    EXPECT_EQ(QuietAudioDriver::order({"dummy"}, host({"/run/u/pulse/native"})),
              (Drivers{"dummy"}));
    EXPECT_EQ(QuietAudioDriver::order({"", "pulseaudio", "dummy"}, host({"/run/u/pulse/native"})),
              (Drivers{"pulseaudio", "", "dummy"}));
}

// While the driver is being chosen ALSA's complaints are dropped; afterwards they show again,
// so the errors of a device in use still reach the player. Catches: the silence never set
// (eight lines at every start without sound) or never lifted (real errors hidden).
TEST(QuietAudioDriver, silencesAlsaOnlyWhileTheDriverIsChosen) {
    void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
    if (!alsa)
        GTEST_SKIP() << "no libasound here";
    using Open = int (*)(void**, const char*, int, int);
    using Close = int (*)(void*);
    auto open = reinterpret_cast<Open>(dlsym(alsa, "snd_pcm_open"));
    auto close = reinterpret_cast<Close>(dlsym(alsa, "snd_pcm_close"));
    ASSERT_TRUE(open && close);
    // A device name no configuration defines: ALSA always complains about it.
    auto probe = [&] {
        void* pcm = nullptr;
        if (open(&pcm, "kazamina_no_such_device", 0, 0) == 0)
            close(pcm);
    };

    std::string during;
    {
        const QuietAudioDriver quiet({"", "dummy"});
        during = stderrOf(probe);
    }
    const std::string after = stderrOf(probe);
    dlclose(alsa);
    EXPECT_EQ(during, "");
    EXPECT_NE(after.find("kazamina_no_such_device"), std::string::npos) << after;
}
