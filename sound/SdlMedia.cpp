#include "sound/SdlMedia.h"

#include "app/TextFile.h"
#include "sound/MediaCommand.h"
#include "sound/QuietAudioDriver.h"
#include "sound/SoundDecoder.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace {

constexpr int kFrequency = 44100;
// 512 frames is 11.6 ms at 44.1 kHz: a key's effect is heard within one buffer.
constexpr int kBufferFrames = 512;
constexpr int kFirstChannels = 16;
// The interface never puts more than 19 characters and a NUL into a reply.
constexpr int kReplyRoom = 20;

void writeReply(char* reply, int replyRoom, const char* text) {
    if (!reply || replyRoom <= 0)
        return;
    const std::size_t room = static_cast<std::size_t>(std::min(replyRoom, kReplyRoom)) - 1;
    const std::size_t n = std::min(std::strlen(text), room);
    std::memcpy(reply, text, n);
    reply[n] = '\0';
}

} // namespace

SdlMedia::SdlMedia(SdlMediaOptions options) : m_options(std::move(options)) {
    m_worker = std::thread([this] {
        openDevice();
        decodeLoop();
    });
}

SdlMedia::~SdlMedia() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_abandon = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    // A decode under way gives up at its next block; an opening device is waited for.
    if (m_worker.joinable())
        m_worker.join();
    if (m_device == Device::Open) {
        Mix_HaltChannel(-1);
        for (auto& [path, sound] : m_sounds)
            dropLocked(sound);
        Mix_CloseAudio();
    }
    SDL_Quit();
}

void SdlMedia::openDevice() {
    // SDL must not take Ctrl+C and SIGTERM away from the program.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    bool open = false;
    const QuietAudioDriver quiet(m_options.drivers);
    for (const std::string& driver : quiet.drivers()) {
        if (driver.empty())
            SDL_ResetHint(SDL_HINT_AUDIODRIVER);
        else
            SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver.c_str(), SDL_HINT_OVERRIDE);
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            continue;
        if (Mix_OpenAudioDevice(kFrequency, AUDIO_S16SYS, 2, kBufferFrames, nullptr,
                                SDL_AUDIO_ALLOW_FREQUENCY_CHANGE |
                                    SDL_AUDIO_ALLOW_CHANNELS_CHANGE) == 0) {
            open = true;
            break;
        }
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    std::lock_guard lock(m_mutex);
    if (open) {
        const char* name = SDL_GetCurrentAudioDriver();
        m_driver = name ? name : "";
        m_bufferFrames = kBufferFrames;
        int rate = 0;
        Uint16 format = 0;
        int channels = 0;
        Mix_QuerySpec(&rate, &format, &channels);
        m_decoder = std::make_unique<SoundDecoder>(format, channels, rate);
        m_channels = Mix_AllocateChannels(kFirstChannels);
    } else {
        // Plays sent meanwhile will never start.
        m_queue.clear();
        for (auto& [path, sound] : m_sounds)
            sound.wanted = sound.decoding = false;
    }
    m_device = open ? Device::Open : Device::None;
    m_opened.notify_all();
    m_decoded.notify_all();
}

void SdlMedia::waitForDeviceLocked(std::unique_lock<std::mutex>& lock) const {
    m_opened.wait(lock, [this] { return m_device != Device::Opening; });
}

std::string SdlMedia::driver() const {
    std::unique_lock lock(m_mutex);
    waitForDeviceLocked(lock);
    return m_driver;
}

bool SdlMedia::hasDevice() const {
    std::unique_lock lock(m_mutex);
    waitForDeviceLocked(lock);
    return m_device == Device::Open;
}

int SdlMedia::bufferFrames() const {
    std::unique_lock lock(m_mutex);
    waitForDeviceLocked(lock);
    return m_bufferFrames;
}

int SdlMedia::sendString(const std::string& command, char* reply, int replyRoom) {
    writeReply(reply, replyRoom, "");
    const std::optional<MediaCommand> parsed = MediaCommand::parse(command);
    if (!parsed)
        return Unrecognised;
    if (parsed->verb == MediaCommand::Verb::Status && (!reply || replyRoom <= 0))
        return Unrecognised;
    switch (parsed->verb) {
    case MediaCommand::Verb::Play:
        return play(parsed->path);
    case MediaCommand::Verb::Close:
        return close(parsed->path);
    case MediaCommand::Verb::Status:
        return status(parsed->path, reply, replyRoom);
    }
    return Unrecognised;
}

void SdlMedia::preload(const std::string& path) {
    std::lock_guard lock(m_mutex);
    if (m_device == Device::None)
        return;
    Sound& sound = soundLocked(path);
    if (!sound.chunk && !sound.failed)
        queueDecodeLocked(path, sound);
}

bool SdlMedia::waitUntilDecoded(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_decoded.wait_for(lock, timeout, [this] {
        return m_device != Device::Opening && m_queue.empty() && m_decodesInFlight == 0;
    });
}

std::size_t SdlMedia::cachedBytes() const {
    std::lock_guard lock(m_mutex);
    return m_cachedBytes;
}

// Without a device every sound fails like a missing file: an empty mode, so no poll ever
// sends play, and the screens carry on silent.
int SdlMedia::play(const std::string& path) {
    std::lock_guard lock(m_mutex);
    if (m_device == Device::None)
        return NoDevice;
    Sound& sound = soundLocked(path);
    sound.lastUse = ++m_useCount;
    if (sound.chunk) {
        sound.wanted = false;
        return startLocked(sound) ? Ok : CannotPlay;
    }
    if (sound.failed) {
        // A file that failed is tried again only once it has changed.
        if (stampOf(sound.file) == sound.failedStamp)
            return CannotPlay;
        sound.failed = false;
    }
    sound.wanted = true;
    queueDecodeLocked(path, sound);
    return Ok;
}

int SdlMedia::close(const std::string& path) {
    std::lock_guard lock(m_mutex);
    if (m_device == Device::None)
        return NoDevice;
    const auto it = m_sounds.find(path);
    if (it == m_sounds.end())
        return Ok;
    it->second.wanted = false;
    if (it->second.channel >= 0)
        Mix_HaltChannel(it->second.channel);
    return Ok;
}

int SdlMedia::status(const std::string& path, char* reply, int replyRoom) {
    {
        std::lock_guard lock(m_mutex);
        if (m_device == Device::None)
            return NoDevice;
        const auto it = m_sounds.find(path);
        if (it != m_sounds.end()) {
            const Sound& sound = it->second;
            if (sound.failed)
                return CannotPlay;
            // A play waiting for its decode counts as playing, or the poll would send it again.
            const bool playing = sound.wanted || playingLocked(sound);
            writeReply(reply, replyRoom, playing ? "playing" : "stopped");
            return Ok;
        }
    }
    // A path never played: stopped if the file looks like sound, an empty reply (failure) if
    // it is missing, empty or of no known kind, so the poll leaves it alone.
    if (!looksPlayable(resolve(path)))
        return CannotPlay;
    writeReply(reply, replyRoom, "stopped");
    return Ok;
}

SdlMedia::Sound& SdlMedia::soundLocked(const std::string& path) {
    Sound& sound = m_sounds[path];
    if (sound.file.empty())
        sound.file = resolve(path);
    return sound;
}

void SdlMedia::queueDecodeLocked(const std::string& path, Sound& sound) {
    if (sound.decoding || m_stopping)
        return;
    sound.decoding = true;
    m_queue.push_back(path);
    m_wake.notify_one();
}

bool SdlMedia::startLocked(Sound& sound) {
    if (sound.channel < 0) {
        if (m_nextChannel >= m_channels)
            m_channels = Mix_AllocateChannels(m_channels * 2);
        if (m_nextChannel >= m_channels)
            return false;
        sound.channel = m_nextChannel++;
    }
    // On a channel that still sounds this starts the sound over from its beginning.
    return Mix_PlayChannel(sound.channel, sound.chunk, 0) >= 0;
}

bool SdlMedia::playingLocked(const Sound& sound) const {
    return sound.channel >= 0 && Mix_Playing(sound.channel) != 0;
}

void SdlMedia::decodeLoop() {
    for (;;) {
        std::string path;
        std::string file;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_stopping || m_device != Device::Open)
                return;
            path = m_queue.front();
            m_queue.pop_front();
            file = m_sounds[path].file;
            ++m_decodesInFlight;
        }

        const FileStamp stamp = stampOf(file);
        // Decoded once into the device's own format, so a play costs nothing more. Not with
        // Mix_LoadWAV: it holds the mixer's lock while it decodes an MP3.
        std::vector<std::uint8_t> pcm;
        const bool decoded = m_decoder->decode(file, pcm, m_abandon);

        std::unique_lock lock(m_mutex);
        --m_decodesInFlight;
        if (m_stopping) {
            m_decoded.notify_all();
            return;
        }
        Sound& sound = m_sounds[path];
        sound.decoding = false;
        Mix_Chunk* chunk =
            decoded ? Mix_QuickLoad_RAW(pcm.data(), static_cast<Uint32>(pcm.size())) : nullptr;
        if (!chunk) {
            sound.failed = true;
            sound.failedStamp = stamp;
            sound.wanted = false;
        } else {
            // The chunk only borrows the samples; the sound keeps them.
            dropLocked(sound);
            sound.chunk = chunk;
            sound.pcm = std::move(pcm);
            m_cachedBytes += sound.pcm.size();
            // A close while the decode ran took the wish to play back.
            if (sound.wanted) {
                sound.wanted = false;
                startLocked(sound);
            }
            evictLocked();
        }
        m_decoded.notify_all();
    }
}

void SdlMedia::evictLocked() {
    while (m_cachedBytes > m_options.cacheBytes) {
        Sound* oldest = nullptr;
        for (auto& [path, sound] : m_sounds) {
            if (!sound.chunk || sound.wanted || playingLocked(sound))
                continue;
            if (!oldest || sound.lastUse < oldest->lastUse)
                oldest = &sound;
        }
        if (!oldest)
            return;
        dropLocked(*oldest);
    }
}

void SdlMedia::dropLocked(Sound& sound) {
    if (!sound.chunk)
        return;
    // Halts the sound's channel should it still play, before the samples go.
    Mix_FreeChunk(sound.chunk);
    sound.chunk = nullptr;
    m_cachedBytes -= sound.pcm.size();
    std::vector<std::uint8_t>().swap(sound.pcm);
}

std::string SdlMedia::resolve(const std::string& path) {
    const QString host = TextFile::hostPath(QString::fromStdString(path));
    return QDir::current().absoluteFilePath(host).toStdString();
}

SdlMedia::FileStamp SdlMedia::stampOf(const std::string& file) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path p(file);
    FileStamp stamp;
    const auto size = fs::file_size(p, error);
    if (error)
        return stamp;
    const auto time = fs::last_write_time(p, error);
    if (error)
        return stamp;
    stamp.size = static_cast<std::intmax_t>(size);
    stamp.time = time.time_since_epoch().count();
    return stamp;
}

bool SdlMedia::looksPlayable(const std::string& file) {
    QFile f(QString::fromStdString(file));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    std::uint8_t head[12] = {};
    const qint64 n = f.read(reinterpret_cast<char*>(head), sizeof head);
    return n > 0 && SoundDecoder::looksLikeSound(head, static_cast<std::size_t>(n));
}
