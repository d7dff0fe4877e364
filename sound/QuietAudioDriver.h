#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <string>
#include <vector>

// Picks the order in which the sound device's drivers are tried and keeps the trying quiet.
//
// On a desktop the sound server is asked first, so a machine where it runs never probes the
// sound card behind its back. Where nothing works, the ALSA library would print its failed
// probes (eight lines at every start); while an instance lives, those messages are dropped.
// Afterwards ALSA reports as usual, so the errors of a device actually in use still show.
class QuietAudioDriver {
public:
    // What the choice depends on, read from the environment by thisHost().
    struct Host {
        QByteArray sdlAudioDriver; // SDL_AUDIODRIVER: the player's choice wins
        QByteArray pulseServer;    // PULSE_SERVER
        QByteArray pipewireRemote; // PIPEWIRE_REMOTE
        QString runtimeDir;        // XDG_RUNTIME_DIR, where the servers' sockets live
        std::function<bool(const QString&)> exists;
    };
    static Host thisHost();

    // The drivers to try: each "" (SDL's own choice) in drivers is preceded by the sound
    // servers found running, unless the player named a driver; repeats are left out.
    static std::vector<std::string> order(const std::vector<std::string>& drivers,
                                          const Host& host);

    explicit QuietAudioDriver(const std::vector<std::string>& drivers);
    ~QuietAudioDriver();
    QuietAudioDriver(const QuietAudioDriver&) = delete;
    QuietAudioDriver& operator=(const QuietAudioDriver&) = delete;

    const std::vector<std::string>& drivers() const { return m_drivers; }

private:
    std::vector<std::string> m_drivers;
    void* m_alsa = nullptr;
};
