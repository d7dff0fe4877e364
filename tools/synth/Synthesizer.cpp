#include "tools/synth/Synthesizer.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double Rate = Synthesizer::SampleRate;

double dbToGain(double db) {
    return std::pow(10.0, db / 20.0);
}

// Noise from a fixed seed per note, so the same score always gives the same bytes.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : m_state(seed ? seed : 1u) {}
    double next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state / 2147483648.0 - 1.0;
    }

private:
    std::uint32_t m_state;
};

// Smooths the step of a naive square or saw to keep high notes free of aliasing hiss.
double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

double oscillator(Instrument::Wave wave, double phase, double dt, double duty) {
    switch (wave) {
    case Instrument::Wave::Sine:
        return std::sin(2 * Pi * phase);
    case Instrument::Wave::Triangle:
        return 4.0 * std::abs(phase - 0.5) - 1.0;
    case Instrument::Wave::Saw:
        return 2.0 * phase - 1.0 - polyBlep(phase, dt);
    case Instrument::Wave::Square: {
        double v = phase < duty ? 1.0 : -1.0;
        v += polyBlep(phase, dt);
        v -= polyBlep(std::fmod(phase + 1.0 - duty, 1.0), dt);
        return v;
    }
    default:
        return 0.0;
    }
}

// Two one-pole stages: a gentle slope that takes the edge off square and saw voices.
class LowPass {
public:
    explicit LowPass(double cutoff)
        : m_a(cutoff > 0 ? 1.0 - std::exp(-2 * Pi * cutoff / Rate) : 1.0) {}
    double operator()(double x) {
        m_y1 += m_a * (x - m_y1);
        m_y2 += m_a * (m_y1 - m_y2);
        return m_y2;
    }

private:
    double m_a;
    double m_y1 = 0;
    double m_y2 = 0;
};

double envelope(const Instrument& in, double t, double held) {
    auto shape = [&](double u) {
        if (u < in.attack)
            return u / in.attack;
        return in.sustain + (1.0 - in.sustain) * std::exp(-(u - in.attack) / in.decay);
    };
    if (t <= held)
        return shape(t);
    return shape(held) * std::max(0.0, 1.0 - (t - held) / in.release);
}

void addDrum(const Instrument& in, const Score::Note& note, std::size_t first, std::uint32_t seed,
             std::vector<float>& out) {
    const double amplitude = in.gain * note.velocity;
    const std::size_t count = static_cast<std::size_t>(in.decay * 7 * Rate);
    Noise noise(seed);
    LowPass body(in.wave == Instrument::Wave::Hat ? 5000 : 3500);
    LowPass tone(in.cutoff > 0 ? in.cutoff : 9000);
    double phase = 0;
    for (std::size_t i = 0; i < count && first + i < out.size(); ++i) {
        const double t = i / Rate;
        const double env = std::min(1.0, t / 0.001) * std::exp(-t / in.decay);
        double v = 0;
        switch (in.wave) {
        case Instrument::Wave::Kick:
            phase += (48.0 + 120.0 * std::exp(-t / 0.025)) / Rate;
            v = std::sin(2 * Pi * phase);
            break;
        case Instrument::Wave::Snare: {
            const double n = noise.next();
            phase += 185.0 / Rate;
            v = 0.7 * (n - 0.5 * body(n)) + 0.5 * std::sin(2 * Pi * phase) * std::exp(-t / 0.04);
            break;
        }
        default: { // hat: what is left of white noise above the body's corner
            const double n = noise.next();
            v = n - body(n);
            break;
        }
        }
        out[first + i] += static_cast<float>(amplitude * env * tone(v));
    }
}

void addTone(const Instrument& in, const Score::Note& note, double held, std::size_t first,
             std::uint32_t seed, std::vector<float>& out) {
    const std::size_t count = static_cast<std::size_t>((held + in.release) * Rate) + 1;
    const double amplitude =
        in.gain * note.velocity / std::sqrt(static_cast<double>(note.keys.size()));
    const double twinRatio = std::pow(2.0, in.detune / 1200.0);
    for (int key : note.keys) {
        const double base = 440.0 * std::pow(2.0, (key - 69) / 12.0);
        Noise noise(seed + static_cast<std::uint32_t>(key));
        LowPass filter(in.cutoff);
        double phase = 0;
        double phase2 = 0.25; // the detuned twin starts apart so the pair does not cancel
        for (std::size_t i = 0; i < count && first + i < out.size(); ++i) {
            const double t = i / Rate;
            double semis = 0;
            if (in.sweep != 0 && t < in.sweepTime)
                semis += in.sweep * (1.0 - t / in.sweepTime);
            if (in.vibratoDepth > 0) {
                // Vibrato creeps in after the onset, as a player's would.
                const double depth = in.vibratoDepth * std::clamp((t - 0.12) / 0.25, 0.0, 1.0);
                semis += depth * std::sin(2 * Pi * in.vibratoRate * t);
            }
            const double freq = semis == 0 ? base : base * std::pow(2.0, semis / 12.0);
            const double dt = std::min(freq / Rate, 0.49);
            double v;
            if (in.wave == Instrument::Wave::Noise) {
                v = noise.next();
            } else {
                v = oscillator(in.wave, phase, dt, in.duty);
                if (in.detune != 0) {
                    const double dt2 = std::min(dt * twinRatio, 0.49);
                    v = 0.5 * (v + oscillator(in.wave, phase2, dt2, in.duty));
                    phase2 += dt2;
                    phase2 -= std::floor(phase2);
                }
            }
            phase += dt;
            phase -= std::floor(phase);
            if (in.cutoff > 0)
                v = filter(v);
            out[first + i] += static_cast<float>(amplitude * envelope(in, t, held) * v);
        }
    }
}

} // namespace

std::vector<float> Synthesizer::mix(const Score& score) {
    const auto total = static_cast<std::size_t>(std::lround(score.durationSeconds() * Rate));
    std::vector<float> out(total, 0.0f);
    const double secondsPerTick = score.secondsPerTick();
    std::uint32_t seed = 0x2545F491u;
    for (const Score::Note& note : score.notes) {
        seed = seed * 1664525u + 1013904223u;
        const auto first =
            static_cast<std::size_t>(std::lround(note.start * secondsPerTick * Rate));
        if (first >= out.size())
            continue;
        const Instrument& in = score.instruments[note.instrument];
        if (in.percussive())
            addDrum(in, note, first, seed, out);
        else
            addTone(in, note, note.length * secondsPerTick * in.gate, first, seed, out);
    }
    return out;
}

std::vector<std::int16_t> Synthesizer::render(const Score& score) {
    std::vector<float> raw = mix(score);
    double peak = 0;
    double sumSquares = 0;
    for (float v : raw) {
        peak = std::max(peak, static_cast<double>(std::abs(v)));
        sumSquares += static_cast<double>(v) * v;
    }
    std::vector<std::int16_t> pcm(raw.size(), 0);
    if (peak == 0)
        return pcm;
    const double rms = std::sqrt(sumSquares / raw.size());
    double scale = dbToGain(score.levelDb) / (score.level == Score::Level::Peak ? peak : rms);
    scale = std::min(scale, dbToGain(score.ceilingDb) / peak);

    auto samples = [&](double seconds) {
        return std::min(raw.size(), static_cast<std::size_t>(seconds * Rate));
    };
    const std::size_t fadeIn = samples(0.002);
    const std::size_t silence = samples(score.tailSeconds / 2);
    const std::size_t fadeOut = score.tailSeconds > 0 ? silence : samples(0.012);
    for (std::size_t i = 0; i < raw.size(); ++i) {
        double v = raw[i] * scale;
        if (i < fadeIn)
            v *= static_cast<double>(i) / fadeIn;
        const std::size_t fromEnd = raw.size() - 1 - i;
        if (fromEnd < silence)
            v = 0;
        else if (fromEnd - silence < fadeOut)
            v *= static_cast<double>(fromEnd - silence) / fadeOut;
        pcm[i] = static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767.0));
    }
    return pcm;
}

double Synthesizer::peakDb(const std::vector<std::int16_t>& samples) {
    int peak = 0;
    for (std::int16_t s : samples)
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak == 0 ? -200.0 : 20.0 * std::log10(peak / 32768.0);
}

double Synthesizer::rmsDb(const std::vector<std::int16_t>& samples) {
    double sum = 0;
    for (std::int16_t s : samples)
        sum += static_cast<double>(s) * s;
    return sum == 0 ? -200.0 : 10.0 * std::log10(sum / samples.size() / (32768.0 * 32768.0));
}
