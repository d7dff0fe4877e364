#include "sound/SdlMedia.h"

#include "core/PlayerFile.h"
#include "core/TextFile.h"
#include "sound/ChannelMixer.h"
#include "sound/MediaCommand.h"
#include "sound/QuietAudioDriver.h"
#include "sound/SdlLibrary.h"
#include "sound/SoundDecoder.h"
#include "sound/StreamRing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kFrequency = 44100;
// 512 frames is 11.6 ms at 44.1 kHz: a key's effect is heard within one buffer.
constexpr int kBufferFrames = 512;
constexpr int kFirstChannels = 16;
// A stream's ring holds this much sound; the worker tops it up at every refill.
constexpr double kRingSeconds = 3.0;
constexpr auto kRefillEvery = std::chrono::milliseconds(100);
// Frames the worker decodes at a time.
constexpr std::size_t kBlockFrames = 4096;
// A stream is mixed once this much is ready, so a busy machine cannot starve its start.
constexpr std::size_t kFirstFillFrames = 3 * kBlockFrames;
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

// One pass of a long sound: the worker decodes into the ring, the audio callback mixes from it.
struct SdlMedia::Stream {
    Stream(std::string path, std::string file) : path(std::move(path)), file(std::move(file)) {}
    const std::string path;
    const std::string file;
    std::unique_ptr<SoundDecoder> decoder;   // the worker's, until the file is read to its end
    std::unique_ptr<StreamRing> ring;        // set before the stream is first mixed
    std::atomic<bool> sourceDone{false};     // the ring has had the sound's last samples
    std::atomic<bool> finished{false};       // the callback mixed the last of them
    std::atomic<bool> closed{false};         // closed, or replaced by a new play
    std::atomic<std::int64_t> firstMixed{0}; // for the benchmarks: when it was first heard
};

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
        m_queue.clear();
    }
    m_wake.notify_all();
    // A decode under way ends with its block; an opening device is waited for.
    if (m_worker.joinable())
        m_worker.join();
    if (m_device == Device::Open) {
        // Waits for a buffer being mixed; the callback never runs again after it.
        m_sdl->closeAudioDevice(m_deviceId);
        std::lock_guard mixing(m_mixMutex);
        m_mixing.clear();
        m_mixer->haltAll();
        for (auto& [path, sound] : m_sounds)
            dropLocked(sound);
    }
    if (m_sdl)
        m_sdl->quit();
}

void SdlMedia::openDevice() {
    // Opened here, on the sound thread, while the first window is being made.
    const SdlLibrary* sdl = SdlLibrary::instance();
    m_sdl = sdl; // the audio callback uses it from its first buffer on
    bool open = false;
    SDL_AudioSpec have{};
    const QuietAudioDriver quiet(m_options.drivers);
    // SDL must not take Ctrl+C and SIGTERM away from the program.
    if (sdl)
        sdl->setHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    for (const std::string& driver : sdl ? quiet.drivers() : std::vector<std::string>{}) {
        if (driver.empty())
            sdl->resetHint(SDL_HINT_AUDIODRIVER);
        else
            sdl->setHintWithPriority(SDL_HINT_AUDIODRIVER, driver.c_str(), SDL_HINT_OVERRIDE);
        if (sdl->initSubSystem(SDL_INIT_AUDIO) != 0)
            continue;
        SDL_AudioSpec want{};
        want.freq = kFrequency;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = kBufferFrames;
        want.callback = mixBuffer;
        want.userdata = this;
        // Opened paused: nothing is mixed before the mixer below is ready.
        m_deviceId = sdl->openAudioDevice(nullptr, 0, &want, &have,
                                          SDL_AUDIO_ALLOW_FREQUENCY_CHANGE |
                                              SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
        if (m_deviceId != 0) {
            open = true;
            break;
        }
        sdl->quitSubSystem(SDL_INIT_AUDIO);
    }
    std::lock_guard lock(m_mutex);
    if (open) {
        const char* name = sdl->getCurrentAudioDriver();
        m_driver = name ? name : "";
        m_bufferFrames = kBufferFrames;
        m_format = have.format;
        m_deviceChannels = have.channels;
        m_rate = have.freq;
        m_silence = have.silence;
        m_mixer = std::make_unique<ChannelMixer>(have.format);
        m_channels = m_mixer->allocate(kFirstChannels);
        m_mixScratch.resize(kBlockFrames * SDL_AUDIO_BITSIZE(have.format) / 8 *
                            static_cast<std::size_t>(have.channels));
        sdl->pauseAudioDevice(m_deviceId, 0);
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
    if (!sound.cached && !sound.failed && !sound.streams)
        queueDecodeLocked(path, sound);
}

bool SdlMedia::waitUntilDecoded(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_decoded.wait_for(lock, timeout, [this] {
        return m_device != Device::Opening && m_queue.empty() && m_starts.empty() &&
               m_decodesInFlight == 0;
    });
}

std::int64_t SdlMedia::streamFirstMixed(const std::string& path) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_sounds.find(path);
    if (it == m_sounds.end() || !it->second.stream)
        return 0;
    return it->second.stream->firstMixed.load();
}

SdlMedia::DeviceFormat SdlMedia::deviceFormat() const {
    std::unique_lock lock(m_mutex);
    waitForDeviceLocked(lock);
    return DeviceFormat{m_rate, m_format, m_deviceChannels};
}

void SdlMedia::setPostMix(PostMix hook, void* data) {
    std::lock_guard mixing(m_mixMutex);
    m_postMix = hook;
    m_postMixData = data;
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
    if (sound.cached) {
        sound.wanted = false;
        stopStreamLocked(sound); // the first play, streamed while it was read
        return startLocked(sound) ? Ok : CannotPlay;
    }
    if (sound.failed) {
        // A file that failed is tried again only once it has changed.
        if (stampOf(sound.file) == sound.failedStamp)
            return CannotPlay;
        sound.failed = false;
    }
    if (sound.streams) {
        // Like a channel that still sounds, a stream that still sounds starts over.
        stopStreamLocked(sound);
        sound.stream = std::make_shared<Stream>(path, sound.file);
        m_starts.push_back(sound.stream);
        m_wake.notify_one();
        return Ok;
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
        m_mixer->halt(it->second.channel);
    stopStreamLocked(it->second);
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
            m_channels = m_mixer->allocate(m_channels * 2);
        if (m_nextChannel >= m_channels)
            return false;
        sound.channel = m_nextChannel++;
    }
    // On a channel that still sounds this starts the sound over from its beginning.
    return m_mixer->play(sound.channel, sound.pcm.data(), sound.pcm.size());
}

bool SdlMedia::playingLocked(const Sound& sound) const {
    return (sound.channel >= 0 && m_mixer->playing(sound.channel)) ||
           (sound.stream && !sound.stream->finished.load());
}

void SdlMedia::decodeLoop() {
    std::vector<std::uint8_t> block;
    for (;;) {
        std::string path;
        std::vector<std::shared_ptr<Stream>> starts;
        {
            std::unique_lock lock(m_mutex);
            const auto work = [this] {
                return m_stopping || !m_queue.empty() || !m_starts.empty();
            };
            if (m_active.empty())
                m_wake.wait(lock, work);
            else
                m_wake.wait_for(lock, kRefillEvery, work);
            if (m_stopping || m_device != Device::Open)
                return;
            if (block.empty())
                block.resize(m_mixScratch.size());
            starts.swap(m_starts);
            m_decodesInFlight += static_cast<int>(starts.size());
            if (!m_queue.empty()) {
                path = m_queue.front();
                m_queue.pop_front();
                ++m_decodesInFlight;
            }
        }
        // Starts first: a track that restarts must not wait behind a new sound's first read.
        for (const auto& stream : starts)
            begin(stream, block);
        if (!path.empty())
            probe(path, block);
        refill(block);
        std::lock_guard lock(m_mutex);
        m_decoded.notify_all();
    }
}

std::unique_ptr<SoundDecoder> SdlMedia::newDecoder() const {
    return std::make_unique<SoundDecoder>(m_format, m_deviceChannels, m_rate);
}

std::size_t SdlMedia::ringBytes() const {
    const std::size_t frame = m_mixScratch.size() / kBlockFrames;
    return static_cast<std::size_t>(kRingSeconds * m_rate) * frame;
}

namespace {

// Decodes into the ring until it is full, `limit` bytes went in, or the sound ends.
std::size_t fill(SoundDecoder& decoder, StreamRing& ring, std::size_t limit,
                 std::vector<std::uint8_t>& block) {
    std::size_t total = 0;
    while (total < limit && !decoder.ended()) {
        const std::size_t room = std::min({block.size(), ring.space(), limit - total});
        if (room < decoder.frameBytes())
            break;
        const std::size_t n = decoder.read(block.data(), room);
        total += ring.write(block.data(), n);
    }
    return total;
}

} // namespace

// The first read of a sound tells short from long: it decodes up to kShortSeconds; a sound
// that ends within them is kept whole, any other streams. A play waiting for it is not kept
// waiting that long: it streams from the first block on, from the samples being read.
void SdlMedia::probe(const std::string& path, std::vector<std::uint8_t>& block) {
    std::string file;
    {
        std::lock_guard lock(m_mutex);
        file = m_sounds[path].file;
    }
    const FileStamp stamp = stampOf(file);
    std::unique_ptr<SoundDecoder> decoder = newDecoder();
    std::vector<std::uint8_t> pcm;
    const std::size_t shortBytes =
        static_cast<std::size_t>(kShortSeconds * m_rate) * decoder->frameBytes();
    const std::size_t firstBytes = kFirstFillFrames * decoder->frameBytes();
    std::shared_ptr<Stream> stream;
    if (decoder->open(file)) {
        while (!decoder->ended() && pcm.size() <= shortBytes) {
            const std::size_t n = decoder->read(block.data(), block.size());
            pcm.insert(pcm.end(), block.data(), block.data() + n);
            if (stream) {
                if (!stream->closed)
                    stream->ring->write(block.data(), n);
                continue;
            }
            if (pcm.empty() || (pcm.size() < firstBytes && !decoder->ended()))
                continue;
            std::lock_guard lock(m_mutex);
            Sound& sound = m_sounds[path];
            if (!sound.wanted || m_stopping)
                continue;
            sound.wanted = false;
            stream = std::make_shared<Stream>(path, file);
            // Room for everything the probe may read, so it never waits for the mixer.
            stream->ring =
                std::make_unique<StreamRing>(std::max(ringBytes(), shortBytes + block.size()));
            stream->ring->write(pcm.data(), pcm.size());
            stopStreamLocked(sound);
            sound.stream = stream;
            mixLocked(stream);
        }
    }

    std::unique_lock lock(m_mutex);
    --m_decodesInFlight;
    if (m_stopping)
        return;
    Sound& sound = m_sounds[path];
    sound.decoding = false;
    if (pcm.empty()) {
        sound.failed = true;
        sound.failedStamp = stamp;
        sound.wanted = false;
        return;
    }
    if (!decoder->ended()) {
        sound.streams = true;
        // A preload keeps nothing of a long sound; a play goes on streaming.
        if (stream && !stream->closed) {
            stream->decoder = std::move(decoder);
            m_active.push_back(stream);
        } else if (sound.wanted) {
            // Closed and played again while it was read: a fresh pass from the beginning.
            sound.wanted = false;
            sound.stream = std::make_shared<Stream>(path, file);
            m_starts.push_back(sound.stream);
        }
        return;
    }
    if (stream) {
        // The first play goes on from the ring; the worker lets go of it once it is heard.
        stream->sourceDone.store(true, std::memory_order_release);
        m_active.push_back(stream);
    }
    // The mixer only borrows the samples; the sound keeps them.
    sound.streams = false;
    dropLocked(sound);
    sound.cached = true;
    sound.pcm = std::move(pcm);
    m_cachedBytes += sound.pcm.size();
    // A close while the decode ran took the wish to play back.
    if (sound.wanted) {
        sound.wanted = false;
        startLocked(sound);
    }
    evictLocked();
}

void SdlMedia::begin(const std::shared_ptr<Stream>& stream, std::vector<std::uint8_t>& block) {
    const FileStamp stamp = stampOf(stream->file);
    std::unique_ptr<SoundDecoder> decoder = newDecoder();
    auto ring = std::make_unique<StreamRing>(ringBytes());
    std::size_t first = 0;
    if (!stream->closed && decoder->open(stream->file))
        first = fill(*decoder, *ring, kFirstFillFrames * decoder->frameBytes(), block);

    std::lock_guard lock(m_mutex);
    --m_decodesInFlight;
    if (stream->closed || m_stopping)
        return;
    if (first == 0) {
        // The file was replaced by one that does not play.
        Sound& sound = m_sounds[stream->path];
        stream->finished = true;
        if (sound.stream == stream) {
            sound.stream.reset();
            sound.failed = true;
            sound.failedStamp = stamp;
        }
        return;
    }
    stream->ring = std::move(ring);
    if (decoder->ended())
        stream->sourceDone = true;
    else
        stream->decoder = std::move(decoder);
    mixLocked(stream);
    m_active.push_back(stream);
}

void SdlMedia::refill(std::vector<std::uint8_t>& block) {
    for (auto it = m_active.begin(); it != m_active.end();) {
        const std::shared_ptr<Stream>& stream = *it;
        if (stream->closed || stream->finished) {
            unmix(stream);
            it = m_active.erase(it);
            continue;
        }
        if (!stream->sourceDone) {
            fill(*stream->decoder, *stream->ring, SIZE_MAX, block);
            if (stream->decoder->ended()) {
                stream->decoder.reset();
                stream->sourceDone.store(true, std::memory_order_release);
            }
        }
        ++it;
    }
}

void SdlMedia::mixLocked(const std::shared_ptr<Stream>& stream) {
    std::lock_guard mixing(m_mixMutex);
    m_mixing.push_back(stream);
}

void SdlMedia::unmix(const std::shared_ptr<Stream>& stream) {
    std::shared_ptr<Stream> keep; // freed after the callback's lock is let go
    std::lock_guard mixing(m_mixMutex);
    const auto it = std::find(m_mixing.begin(), m_mixing.end(), stream);
    if (it != m_mixing.end()) {
        keep = std::move(*it);
        m_mixing.erase(it);
    }
}

void SdlMedia::stopStreamLocked(Sound& sound) {
    if (!sound.stream)
        return;
    sound.stream->closed = true;
    unmix(sound.stream);
    // The worker drops its own reference, and with it the decoder, at its next refill.
    sound.stream.reset();
}

// The device's callback, on the audio thread: silence, the streams, then the channels (the
// effects) over them.
void SdlMedia::mixBuffer(void* self, std::uint8_t* out, int bytes) {
    auto* media = static_cast<SdlMedia*>(self);
    std::memset(out, media->m_silence, static_cast<std::size_t>(bytes));
    media->mixStreams(out, bytes);
    media->m_mixer->mix(out, static_cast<std::size_t>(bytes));
    std::lock_guard mixing(media->m_mixMutex);
    if (media->m_postMix)
        media->m_postMix(media->m_postMixData, out, bytes);
}

// The lock is held elsewhere only to add or remove a pointer, never while decoding or freeing.
void SdlMedia::mixStreams(std::uint8_t* out, int bytes) {
    std::lock_guard mixing(m_mixMutex);
    const auto size = static_cast<std::size_t>(bytes);
    std::uint8_t* scratch = m_mixScratch.data();
    for (const std::shared_ptr<Stream>& stream : m_mixing) {
        if (stream->closed.load(std::memory_order_relaxed) ||
            stream->finished.load(std::memory_order_relaxed))
            continue;
        std::size_t done = 0;
        while (done < size) {
            const std::size_t n =
                stream->ring->read(scratch, std::min(m_mixScratch.size(), size - done));
            if (n == 0)
                break;
            if (done == 0 && stream->firstMixed.load(std::memory_order_relaxed) == 0)
                stream->firstMixed.store(
                    std::chrono::steady_clock::now().time_since_epoch().count(),
                    std::memory_order_relaxed);
            m_sdl->mixAudioFormat(out + done, scratch, m_format, static_cast<Uint32>(n),
                                  SDL_MIX_MAXVOLUME);
            done += n;
        }
        // The flag is set after the last samples went into the ring, so an empty ring then
        // means the sound has been played to its end.
        if (stream->sourceDone.load(std::memory_order_acquire)) {
            if (stream->ring->available() == 0)
                stream->finished.store(true, std::memory_order_release);
        } else if (done < size) {
            m_underruns.fetch_add(1, std::memory_order_relaxed);
        }
    }
}

void SdlMedia::evictLocked() {
    while (m_cachedBytes > m_options.cacheBytes) {
        Sound* oldest = nullptr;
        for (auto& [path, sound] : m_sounds) {
            if (!sound.cached || sound.wanted || playingLocked(sound))
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
    if (!sound.cached)
        return;
    // Halts the sound's channel should it still play, before the samples go.
    m_mixer->haltSamples(sound.pcm.data());
    sound.cached = false;
    m_cachedBytes -= sound.pcm.size();
    std::vector<std::uint8_t>().swap(sound.pcm);
}

std::string SdlMedia::resolve(const std::string& path) const {
    const QString host = TextFile::hostPath(QString::fromStdString(path));
    const QString own = QDir::current().absoluteFilePath(host);
    if (QFileInfo::exists(own) || QDir::isAbsolutePath(host))
        return own.toStdString();
    for (const std::string& folder : m_options.fallbackFolders) {
        const QString bundled = QDir(QString::fromStdString(folder)).absoluteFilePath(host);
        if (QFileInfo::exists(bundled))
            return bundled.toStdString();
    }
    return own.toStdString();
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
    QString reason;
    bool missing = false;
    const int fd = PlayerFile::open(QString::fromStdString(file), O_RDONLY, 0, reason, missing);
    if (fd < 0)
        return false;
    QFile f;
    if (!f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    std::uint8_t head[12] = {};
    const qint64 n = f.read(reinterpret_cast<char*>(head), sizeof head);
    return n > 0 && SoundDecoder::looksLikeSound(head, static_cast<std::size_t>(n));
}
