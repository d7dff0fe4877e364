#include "sound/SampleConverter.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

bool readable(std::uint16_t format) {
    const int bits = SDL_AUDIO_BITSIZE(format);
    return SDL_AUDIO_ISFLOAT(format) ? bits == 32 : bits == 8 || bits == 16 || bits == 32;
}

float hermite(float p0, float p1, float p2, float p3, float t) {
    return p1 + 0.5f * t *
                    (p2 - p0 + t * (2 * p0 - 5 * p1 + 4 * p2 - p3 + t * (3 * (p1 - p2) + p3 - p0)));
}

} // namespace

SampleConverter::SampleConverter(std::uint16_t inFormat, int inChannels, int inRate,
                                 std::uint16_t outFormat, int outChannels, int outRate)
    : m_inFormat(inFormat), m_inChannels(inChannels), m_channelsOut(outChannels),
      m_outFormat(outFormat), m_inRate(inRate > 0 ? static_cast<std::uint64_t>(inRate) : 0),
      m_outRate(outRate > 0 ? static_cast<std::uint64_t>(outRate) : 0),
      m_inFrame(SDL_AUDIO_BITSIZE(inFormat) / 8 *
                static_cast<std::size_t>(std::max(inChannels, 0))),
      m_outFrame(SDL_AUDIO_BITSIZE(outFormat) / 8 *
                 static_cast<std::size_t>(std::max(outChannels, 0))) {
    m_valid = readable(inFormat) && (outFormat == AUDIO_S16SYS || outFormat == AUDIO_F32SYS) &&
              inChannels >= 1 && inChannels <= 8 && outChannels >= 1 && outChannels <= 8 &&
              m_inRate > 0 && m_outRate > 0;
}

float SampleConverter::sampleAt(const std::uint8_t* p) const {
    const int bytes = SDL_AUDIO_BITSIZE(m_inFormat) / 8;
    std::uint32_t raw = 0;
    for (int i = 0; i < bytes; ++i) {
        const int shift = SDL_AUDIO_ISBIGENDIAN(m_inFormat) ? 8 * (bytes - 1 - i) : 8 * i;
        raw |= static_cast<std::uint32_t>(p[i]) << shift;
    }
    if (SDL_AUDIO_ISFLOAT(m_inFormat)) {
        float f;
        std::memcpy(&f, &raw, 4);
        return std::isfinite(f) ? f : 0.0f;
    }
    const int bits = 8 * bytes;
    if (!SDL_AUDIO_ISSIGNED(m_inFormat))
        return (static_cast<float>(raw) - static_cast<float>(1u << (bits - 1))) /
               static_cast<float>(1u << (bits - 1));
    // Sign-extend through the top of a 32-bit word.
    const auto value = static_cast<std::int32_t>(raw << (32 - bits));
    return static_cast<float>(value) / 2147483648.0f;
}

void SampleConverter::put(const std::uint8_t* data, std::size_t bytes) {
    if (!m_valid)
        return;
    const std::size_t frames = bytes / m_inFrame;
    const std::size_t inBytes = SDL_AUDIO_BITSIZE(m_inFormat) / 8;
    // Every MP3 and most WAV files are native 16-bit: read those without the general path.
    const bool native16 = m_inFormat == AUDIO_S16SYS;
    std::vector<float> frame(static_cast<std::size_t>(m_inChannels));
    m_in.reserve(m_in.size() + (frames + 1) * static_cast<std::size_t>(m_channelsOut));
    for (std::size_t f = 0; f < frames; ++f) {
        for (int c = 0; c < m_inChannels; ++c) {
            const std::uint8_t* p = data + f * m_inFrame + static_cast<std::size_t>(c) * inBytes;
            if (native16) {
                std::int16_t v;
                std::memcpy(&v, p, 2);
                frame[static_cast<std::size_t>(c)] = static_cast<float>(v) / 32768.0f;
            } else {
                frame[static_cast<std::size_t>(c)] = sampleAt(p);
            }
        }
        float mono = 0;
        if (m_channelsOut == 1 && m_inChannels > 1) {
            for (float v : frame)
                mono += v;
            mono /= static_cast<float>(m_inChannels);
        }
        for (int c = 0; c < m_channelsOut; ++c) {
            if (m_channelsOut == 1 && m_inChannels > 1)
                m_in.push_back(mono);
            else
                m_in.push_back(frame[static_cast<std::size_t>(c % m_inChannels)]);
        }
    }
    m_inTotal += frames;
    resample(false);
}

void SampleConverter::finish() {
    if (m_valid)
        resample(true);
}

void SampleConverter::resample(bool last) {
    const auto ch = static_cast<std::size_t>(m_channelsOut);
    if (m_inRate == m_outRate) {
        m_out.insert(m_out.end(), m_in.begin(), m_in.end());
        m_outTotal += m_in.size() / ch;
        m_in.clear();
        return;
    }
    if (m_in.empty())
        return;
    // m_in[0] stands for the frame before the next one needed: at the very start that is a
    // copy of the first frame, later the frame before the current position.
    if (m_index == 0) {
        const std::vector<float> first(m_in.begin(), m_in.begin() + static_cast<long>(ch));
        m_in.insert(m_in.begin(), first.begin(), first.end());
        m_index = 1;
    }
    const std::uint64_t expected = m_inTotal * m_outRate / m_inRate;
    if (last) {
        // Two copies of the last frame let the final positions interpolate.
        const std::vector<float> final(m_in.end() - static_cast<long>(ch), m_in.end());
        for (int pad = 0; pad < 2; ++pad)
            m_in.insert(m_in.end(), final.begin(), final.end());
    }
    const std::size_t frames = m_in.size() / ch;
    m_out.reserve(m_out.size() + (frames * m_outRate / m_inRate + 2) * ch);
    while (m_index + 2 < frames && m_outTotal < (last ? expected : UINT64_MAX)) {
        const float t = static_cast<float>(m_frac) / static_cast<float>(m_outRate);
        const float* p = m_in.data() + (m_index - 1) * ch;
        for (std::size_t c = 0; c < ch; ++c)
            m_out.push_back(hermite(p[c], p[ch + c], p[2 * ch + c], p[3 * ch + c], t));
        ++m_outTotal;
        m_frac += m_inRate;
        m_index += static_cast<std::size_t>(m_frac / m_outRate);
        m_frac %= m_outRate;
    }
    // Keep the frame before the current position and everything after it.
    const std::size_t drop = std::min(m_index - 1, frames);
    m_in.erase(m_in.begin(), m_in.begin() + static_cast<long>(drop * ch));
    m_index -= drop;
}

std::size_t SampleConverter::available() const {
    return (m_out.size() - m_outAt) / static_cast<std::size_t>(m_channelsOut) * m_outFrame;
}

std::size_t SampleConverter::get(std::uint8_t* out, std::size_t room) {
    const auto ch = static_cast<std::size_t>(m_channelsOut);
    const std::size_t frames = std::min(room / m_outFrame, (m_out.size() - m_outAt) / ch);
    const float* in = m_out.data() + m_outAt;
    const std::size_t samples = frames * ch;
    if (m_outFormat == AUDIO_F32SYS) {
        std::memcpy(out, in, samples * sizeof(float));
    } else {
        for (std::size_t i = 0; i < samples; ++i) {
            const auto s = static_cast<std::int16_t>(
                std::lrint(std::clamp(in[i] * 32768.0f, -32768.0f, 32767.0f)));
            std::memcpy(out + 2 * i, &s, 2);
        }
    }
    m_outAt += samples;
    // Compact once the taken part outweighs what is left.
    if (m_outAt > 0 && m_outAt >= m_out.size() - m_outAt) {
        m_out.erase(m_out.begin(), m_out.begin() + static_cast<long>(m_outAt));
        m_outAt = 0;
    }
    return frames * m_outFrame;
}
