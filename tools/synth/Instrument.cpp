#include "tools/synth/Instrument.h"

#include <sstream>
#include <utility>

bool Instrument::waveFromName(const std::string& text, Wave& wave) {
    static const std::pair<const char*, Wave> names[] = {
        {"sine", Wave::Sine},     {"triangle", Wave::Triangle},
        {"square", Wave::Square}, {"saw", Wave::Saw},
        {"noise", Wave::Noise},   {"kick", Wave::Kick},
        {"snare", Wave::Snare},   {"hat", Wave::Hat}};
    for (const auto& [name, value] : names) {
        if (text == name) {
            wave = value;
            return true;
        }
    }
    return false;
}

std::string Instrument::setParameter(const std::string& key, double value) {
    struct Range {
        const char* key;
        double Instrument::*field;
        double low;
        double high;
    };
    static const Range ranges[] = {
        {"gain", &Instrument::gain, 0, 4},
        {"duty", &Instrument::duty, 0.05, 0.95},
        {"attack", &Instrument::attack, 0, 5},
        {"decay", &Instrument::decay, 0.001, 10},
        {"sustain", &Instrument::sustain, 0, 1},
        {"release", &Instrument::release, 0.001, 5},
        {"gate", &Instrument::gate, 0.05, 1},
        {"cutoff", &Instrument::cutoff, 0, 11000},
        {"vibrato", &Instrument::vibratoDepth, 0, 2},
        {"vibratorate", &Instrument::vibratoRate, 0, 20},
        {"sweep", &Instrument::sweep, -48, 48},
        {"sweeptime", &Instrument::sweepTime, 0.001, 2},
        {"detune", &Instrument::detune, -100, 100},
    };
    for (const Range& r : ranges) {
        if (key != r.key)
            continue;
        if (value < r.low || value > r.high) {
            std::ostringstream out;
            out << "'" << key << "' must lie between " << r.low << " and " << r.high;
            return out.str();
        }
        this->*r.field = value;
        if (key == "vibrato" && vibratoRate == 0)
            vibratoRate = 5.5;
        return {};
    }
    return "unknown instrument parameter '" + key + "'";
}
