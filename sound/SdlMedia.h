#pragma once

#include "sound/MediaInterface.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ChannelMixer;
struct SdlLibrary;
class SoundDecoder;

// How SdlMedia opens its device and how much decoded sound it keeps.
struct SdlMediaOptions {
    // Audio drivers tried in order; "" lets SDL choose (SDL_AUDIODRIVER still applies). When
    // every one fails the game runs silent.
    std::vector<std::string> drivers{"", "dummy"};
    // Decoded short sounds kept after their path is closed, so key effects start again without
    // decoding; the least recently played sounds beyond this are dropped. Long sounds stream
    // and are never kept.
    std::size_t cacheBytes = 8u << 20;
    // Folders looked in, in order, for a sound file the working folder does not hold: an
    // installed game plays its bundled music from where it was installed, and a player's own
    // file of the same name in their folder comes first.
    std::vector<std::string> fallbackFolders = {};
};

// The game's media control interface on SDL2's audio device: play, close and ask the mode of
// sound files named by path, each path on a mixer channel of its own.
//
// Commands come from the UI thread and return at once. The worker thread opens the device
// (which takes a tenth of a second where SDL must try several drivers) and reads each sound
// the first time it is heard. A short sound (an effect) is decoded whole, kept, and played on
// a mixer channel. A long one (music) streams: the worker decodes it a block at a time into a
// ring of a few seconds, which the audio callback mixes under the channels, so memory does
// not grow with a track's length and any number of tracks can sound at once. A play starts
// when the first block is ready, and until then the sound counts as playing, so the music poll
// does not send it again. Only one SdlMedia may exist at a time, as SDL's audio is one per
// process.
class SdlMedia : public MediaInterface {
public:
    // Result codes of sendString.
    enum Result { Ok = 0, Unrecognised = 1, CannotPlay = 2, NoDevice = 3 };

    explicit SdlMedia(SdlMediaOptions options = {});
    ~SdlMedia() override;

    // Whether a file (a host path) looks like sound: a regular file that starts as a WAV or an
    // MP3 does. Asked on the UI thread, so a FIFO or a device in its place is never waited on.
    static bool looksPlayable(const std::string& file);
    SdlMedia(const SdlMedia&) = delete;
    SdlMedia& operator=(const SdlMedia&) = delete;

    int sendString(const std::string& command, char* reply, int replyRoom) override;

    // Decodes a sound into the cache ahead of its first play, so that it starts at once.
    void preload(const std::string& path);
    // Waits until every decode asked for so far is finished; false if the time ran out.
    bool waitUntilDecoded(std::chrono::milliseconds timeout);

    // These three wait until the device has been opened or given up.
    // The audio driver in use ("dummy" on a machine without sound), or "" when silent.
    std::string driver() const;
    bool hasDevice() const;
    // Frames per buffer the device was opened with.
    int bufferFrames() const;
    std::size_t cachedBytes() const;
    // The device's rate, format (an SDL_AudioFormat) and channels; waits for the device.
    struct DeviceFormat {
        int rate = 0;
        std::uint16_t format = 0;
        int channels = 0;
    };
    DeviceFormat deviceFormat() const;
    // For tests and benchmarks: called on the audio thread with every buffer as it leaves for
    // the device; null to stop.
    using PostMix = void (*)(void* data, std::uint8_t* buffer, int bytes);
    void setPostMix(PostMix hook, void* data);
    // Sounds longer than this stream; shorter ones are decoded whole.
    static constexpr double kShortSeconds = 2.5;
    // When the path's current stream first had samples mixed (steady clock, ns since its
    // epoch), or 0 before that or when the path does not stream.
    std::int64_t streamFirstMixed(const std::string& path) const;
    // Times a playing stream had fewer samples ready than the device asked for.
    std::uint64_t streamUnderruns() const { return m_underruns.load(); }

private:
    struct Stream;

    // The size and time of a file, to tell whether a file that failed has changed since.
    struct FileStamp {
        std::intmax_t size = -1;
        std::int64_t time = 0;
        bool operator==(const FileStamp&) const = default;
    };

    struct Sound {
        std::string file;              // host path, resolved when the path is first used
        int channel = -1;              // the path's own mixer channel, kept for the whole run
        bool cached = false;           // decoded whole and kept in pcm
        std::vector<std::uint8_t> pcm; // the samples, borrowed by the mixer while they play
        std::uint64_t lastUse = 0;
        bool streams = false;           // too long to keep: each play streams it from the file
        std::shared_ptr<Stream> stream; // the last stream started, until a close or a new play
        bool wanted = false;            // a play is waiting for the decoder
        bool decoding = false;          // queued for or being decoded
        bool failed = false;            // the file could not be decoded...
        FileStamp failedStamp;          // ...as it was then
    };

    enum class Device { Opening, Open, None };

    void openDevice();
    void waitForDeviceLocked(std::unique_lock<std::mutex>& lock) const;
    void decodeLoop();
    void probe(const std::string& path, std::vector<std::uint8_t>& block);
    void begin(const std::shared_ptr<Stream>& stream, std::vector<std::uint8_t>& block);
    void refill(std::vector<std::uint8_t>& block);
    std::unique_ptr<SoundDecoder> newDecoder() const;
    std::size_t ringBytes() const;
    void mixLocked(const std::shared_ptr<Stream>& stream);
    void unmix(const std::shared_ptr<Stream>& stream);
    void stopStreamLocked(Sound& sound);
    static void mixBuffer(void* self, std::uint8_t* out, int bytes);
    void mixStreams(std::uint8_t* out, int bytes);
    int play(const std::string& path);
    int close(const std::string& path);
    int status(const std::string& path, char* reply, int replyRoom);
    Sound& soundLocked(const std::string& path);
    void queueDecodeLocked(const std::string& path, Sound& sound);
    bool startLocked(Sound& sound);
    bool playingLocked(const Sound& sound) const;
    void evictLocked();
    void dropLocked(Sound& sound);
    std::string resolve(const std::string& path) const;
    static FileStamp stampOf(const std::string& file);

    const SdlMediaOptions m_options;
    // Guards everything below but decoding, which runs unlocked.
    mutable std::mutex m_mutex;
    Device m_device = Device::Opening;
    std::string m_driver;
    int m_bufferFrames = 0;
    int m_channels = 0;
    int m_nextChannel = 0;
    // The device's format, fixed once it is open.
    std::uint16_t m_format = 0;
    int m_deviceChannels = 0;
    int m_rate = 0;
    const SdlLibrary* m_sdl = nullptr; // once the worker opened it
    std::uint32_t m_deviceId = 0;      // an SDL_AudioDeviceID
    std::uint8_t m_silence = 0;
    std::unique_ptr<ChannelMixer> m_mixer; // the effects' channels, once the device is open
    mutable std::condition_variable m_opened;
    std::condition_variable m_wake;
    std::condition_variable m_decoded;
    std::map<std::string, Sound> m_sounds;
    std::deque<std::string> m_queue;
    std::vector<std::shared_ptr<Stream>> m_starts; // streams to open, for the worker
    std::vector<std::shared_ptr<Stream>> m_active; // streams the worker keeps filled (its own)
    // Streams the audio callback mixes, guarded by m_mixMutex (taken after m_mutex, never
    // before it).
    std::mutex m_mixMutex;
    std::vector<std::shared_ptr<Stream>> m_mixing;
    std::vector<std::uint8_t> m_mixScratch; // the callback's own
    PostMix m_postMix = nullptr;
    void* m_postMixData = nullptr;
    std::atomic<std::uint64_t> m_underruns{0};
    int m_decodesInFlight = 0;
    std::size_t m_cachedBytes = 0;
    std::uint64_t m_useCount = 0;
    bool m_stopping = false;
    std::thread m_worker;
};
