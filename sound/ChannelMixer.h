#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

// Plays decoded sounds on numbered channels over what is already in an audio buffer: the key
// effects' mixer. Each channel holds one sound at a time from its start to its end; a sound
// started on a busy channel starts over. Samples are borrowed, never copied, so a sound's
// owner halts its channel before it lets the samples go. Every call is safe against mix(),
// which runs on the audio thread.
class ChannelMixer {
public:
    // The samples' format, as SDL describes it (an SDL_AudioFormat).
    explicit ChannelMixer(std::uint16_t format) : m_format(format) {}

    // Makes sure there are at least `count` channels, and returns how many there are.
    int allocate(int count);
    int channels() const;
    // False for a channel that does not exist.
    bool play(int channel, const std::uint8_t* samples, std::size_t bytes);
    void halt(int channel);
    void haltAll();
    // Halts every channel that plays these samples.
    void haltSamples(const std::uint8_t* samples);
    bool playing(int channel) const;

    // Adds the next `bytes` of every playing channel to `out`, clipping at full scale.
    void mix(std::uint8_t* out, std::size_t bytes);

private:
    struct Voice {
        const std::uint8_t* samples = nullptr;
        std::size_t bytes = 0;
        std::size_t at = 0;
    };

    const std::uint16_t m_format;
    mutable std::mutex m_mutex;
    std::vector<Voice> m_voices;
};
