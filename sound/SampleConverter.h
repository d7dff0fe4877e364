#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Converts interleaved samples of one format, channel count and rate into another, fed and
// drained a block at a time. The resampler (cubic Hermite) keeps its phase as an exact
// fraction across blocks, so a stream converted in blocks of any size is the same sound as
// one converted whole, and its length is exactly input frames x output rate / input rate.
// (SDL's own audio stream loses phase at block boundaries whenever the rates are not an
// integer ratio apart, which clicks every block.)
class SampleConverter {
public:
    // Formats are SDL_AudioFormat values: 8, 16 and 32-bit integers and 32-bit floats in
    // either byte order as input; signed 16-bit or 32-bit float in native order as output.
    SampleConverter(std::uint16_t inFormat, int inChannels, int inRate, std::uint16_t outFormat,
                    int outChannels, int outRate);

    // False when a format or a channel count or rate is not one we convert.
    bool valid() const { return m_valid; }
    std::size_t inFrameBytes() const { return m_inFrame; }
    std::size_t outFrameBytes() const { return m_outFrame; }

    // Takes whole input frames.
    void put(const std::uint8_t* data, std::size_t bytes);
    // No more input: the last frames become available.
    void finish();
    // Converted bytes ready to be taken.
    std::size_t available() const;
    // Takes up to `room` bytes (whole frames) of output.
    std::size_t get(std::uint8_t* out, std::size_t room);

private:
    float sampleAt(const std::uint8_t* p) const;
    void resample(bool last);

    bool m_valid = false;
    std::uint16_t m_inFormat;
    int m_inChannels;
    int m_channelsOut;
    std::uint16_t m_outFormat;
    std::uint64_t m_inRate;
    std::uint64_t m_outRate;
    std::size_t m_inFrame;
    std::size_t m_outFrame;

    // Input frames not yet passed, already in the output's channel layout.
    std::vector<float> m_in;
    // Position of the next output frame: input frame m_index (in m_in) plus m_frac / outRate.
    std::size_t m_index = 0;
    std::uint64_t m_frac = 0;
    // Converted frames not yet taken, as floats.
    std::vector<float> m_out;
    std::size_t m_outAt = 0;
    std::uint64_t m_inTotal = 0;
    std::uint64_t m_outTotal = 0;
};
