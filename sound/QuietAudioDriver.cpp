#include "sound/QuietAudioDriver.h"

#include <QFileInfo>

#include <algorithm>
#include <dlfcn.h>

namespace {

// ALSA's error printer (snd_lib_error_handler_t) and the call that replaces it.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using AlsaSetErrorHandler = int (*)(AlsaErrorHandler);

void dropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

void setAlsaHandler(void* alsa, AlsaErrorHandler handler) {
    if (!alsa)
        return;
    if (auto set = reinterpret_cast<AlsaSetErrorHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
        set(handler);
}

} // namespace

QuietAudioDriver::Host QuietAudioDriver::thisHost() {
    return Host{qgetenv("SDL_AUDIODRIVER"), qgetenv("PULSE_SERVER"), qgetenv("PIPEWIRE_REMOTE"),
                qEnvironmentVariable("XDG_RUNTIME_DIR"),
                [](const QString& path) { return QFileInfo::exists(path); }};
}

std::vector<std::string> QuietAudioDriver::order(const std::vector<std::string>& drivers,
                                                 const Host& host) {
    std::vector<std::string> servers;
    if (host.sdlAudioDriver.isEmpty()) {
        const bool runtime = !host.runtimeDir.isEmpty();
        // PipeWire desktops answer on the PulseAudio socket too, so that one comes first.
        if (!host.pulseServer.isEmpty() ||
            (runtime && host.exists(host.runtimeDir + QStringLiteral("/pulse/native"))))
            servers.push_back("pulseaudio");
        if (!host.pipewireRemote.isEmpty() ||
            (runtime && host.exists(host.runtimeDir + QStringLiteral("/pipewire-0"))))
            servers.push_back("pipewire");
    }
    std::vector<std::string> result;
    auto add = [&result](const std::string& driver) {
        if (std::find(result.begin(), result.end(), driver) == result.end())
            result.push_back(driver);
    };
    for (const std::string& driver : drivers) {
        if (driver.empty())
            for (const std::string& server : servers)
                add(server);
        add(driver);
    }
    return result;
}

QuietAudioDriver::QuietAudioDriver(const std::vector<std::string>& drivers)
    : m_drivers(order(drivers, thisHost())) {
    // The same copy of the library that SDL loads when it tries ALSA.
    m_alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
    setAlsaHandler(m_alsa, dropAlsaMessage);
}

QuietAudioDriver::~QuietAudioDriver() {
    // A null handler restores ALSA's own printer.
    setAlsaHandler(m_alsa, nullptr);
    if (m_alsa)
        dlclose(m_alsa);
}
