#include "sound/ChannelMixer.h"

#include "sound/SdlLibrary.h"

#include <algorithm>

int ChannelMixer::allocate(int count) {
    std::lock_guard lock(m_mutex);
    if (count > 0 && static_cast<std::size_t>(count) > m_voices.size())
        m_voices.resize(static_cast<std::size_t>(count));
    return static_cast<int>(m_voices.size());
}

int ChannelMixer::channels() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_voices.size());
}

bool ChannelMixer::play(int channel, const std::uint8_t* samples, std::size_t bytes) {
    std::lock_guard lock(m_mutex);
    if (channel < 0 || static_cast<std::size_t>(channel) >= m_voices.size())
        return false;
    m_voices[static_cast<std::size_t>(channel)] = Voice{samples, bytes, 0};
    return true;
}

void ChannelMixer::halt(int channel) {
    std::lock_guard lock(m_mutex);
    if (channel >= 0 && static_cast<std::size_t>(channel) < m_voices.size())
        m_voices[static_cast<std::size_t>(channel)] = Voice{};
}

void ChannelMixer::haltAll() {
    std::lock_guard lock(m_mutex);
    std::fill(m_voices.begin(), m_voices.end(), Voice{});
}

void ChannelMixer::haltSamples(const std::uint8_t* samples) {
    std::lock_guard lock(m_mutex);
    for (Voice& voice : m_voices)
        if (voice.samples == samples)
            voice = Voice{};
}

bool ChannelMixer::playing(int channel) const {
    std::lock_guard lock(m_mutex);
    if (channel < 0 || static_cast<std::size_t>(channel) >= m_voices.size())
        return false;
    const Voice& voice = m_voices[static_cast<std::size_t>(channel)];
    return voice.at < voice.bytes;
}

void ChannelMixer::mix(std::uint8_t* out, std::size_t bytes) {
    const SdlLibrary* sdl = SdlLibrary::instance();
    std::lock_guard lock(m_mutex);
    for (Voice& voice : m_voices) {
        if (voice.at >= voice.bytes)
            continue;
        const std::size_t n = std::min(bytes, voice.bytes - voice.at);
        if (sdl)
            sdl->mixAudioFormat(out, voice.samples + voice.at, m_format, static_cast<Uint32>(n),
                                SDL_MIX_MAXVOLUME);
        voice.at += n;
        if (voice.at >= voice.bytes)
            voice = Voice{};
    }
}
