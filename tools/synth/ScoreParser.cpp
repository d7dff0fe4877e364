#include "tools/synth/ScoreParser.h"

#include "tools/synth/ScoreError.h"

#include <cctype>
#include <map>
#include <sstream>

namespace {

struct Pattern {
    long length = 0;
    std::vector<Score::Note> notes;
};

std::string beatsText(long ticks) {
    std::ostringstream out;
    out << static_cast<double>(ticks) / Score::TicksPerQuarter;
    return out.str();
}

// Holds the parse's position so every fault can name its line.
class Reader {
public:
    Reader(const std::string& sourceName) : m_source(sourceName) {}

    Score run(const std::string& text) {
        // Editors on Windows may start the file with a byte order mark.
        std::istringstream lines(text.rfind("\xEF\xBB\xBF", 0) == 0 ? text.substr(3) : text);
        std::string line;
        while (std::getline(lines, line)) {
            ++m_line;
            if (auto c = line.find(';'); c != std::string::npos)
                line.erase(c);
            std::istringstream words(line);
            std::vector<std::string> tokens;
            for (std::string w; words >> w;)
                tokens.push_back(w);
            if (!tokens.empty())
                statement(tokens);
        }
        if (m_inPattern) {
            m_line = m_patternLine;
            fail("pattern '" + m_patternName + "' has no 'end'");
        }
        if (!m_songSeen)
            fail("no 'song' line names the patterns to play");
        if (m_score.totalTicks == 0 && m_score.lengthSeconds == 0)
            fail("the song is empty");
        return std::move(m_score);
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw ScoreError(m_source + ":" + std::to_string(m_line) + ": " + what);
    }

    double number(const std::string& text, double low, double high, const std::string& what) {
        double value = 0;
        std::size_t used = 0;
        try {
            value = std::stod(text, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != text.size())
            fail(what + ": '" + text + "' is not a number");
        if (value < low || value > high) {
            std::ostringstream out;
            out << what << " " << text << " lies outside " << low << ".." << high;
            fail(out.str());
        }
        return value;
    }

    void expectCount(const std::vector<std::string>& t, std::size_t count, const char* usage) {
        if (t.size() != count)
            fail(std::string("expected '") + usage + "'");
    }

    int instrumentIndex(const std::string& name) const {
        for (std::size_t i = 0; i < m_score.instruments.size(); ++i) {
            if (m_score.instruments[i].name == name)
                return static_cast<int>(i);
        }
        return -1;
    }

    void statement(const std::vector<std::string>& t) {
        const std::string& word = t[0];
        if (m_inPattern) {
            if (word == "end")
                endPattern();
            else if (word == "pattern")
                fail("pattern '" + m_patternName + "' is not closed with 'end'");
            else
                voiceLine(t);
            return;
        }
        if (word == "tempo") {
            expectCount(t, 2, "tempo QUARTERS_A_MINUTE");
            m_score.tempo = number(t[1], 20, 400, "tempo");
        } else if (word == "beats") {
            expectCount(t, 2, "beats QUARTERS_A_BAR");
            m_score.beatsPerBar = static_cast<int>(number(t[1], 1, 16, "beats"));
        } else if (word == "level") {
            expectCount(t, 3, "level peak|rms DBFS");
            if (t[1] == "peak")
                m_score.level = Score::Level::Peak;
            else if (t[1] == "rms")
                m_score.level = Score::Level::Rms;
            else
                fail("level must be 'peak' or 'rms', not '" + t[1] + "'");
            m_score.levelDb = number(t[2], -60, 0, "level");
        } else if (word == "ceiling") {
            expectCount(t, 2, "ceiling DBFS");
            m_score.ceilingDb = number(t[1], -30, 0, "ceiling");
        } else if (word == "length") {
            expectCount(t, 2, "length SECONDS");
            m_score.lengthSeconds = number(t[1], 0.01, 600, "length");
        } else if (word == "tail") {
            expectCount(t, 2, "tail SECONDS");
            m_score.tailSeconds = number(t[1], 0, 2, "tail");
        } else if (word == "instrument") {
            instrumentLine(t);
        } else if (word == "pattern") {
            expectCount(t, 3, "pattern NAME BARS");
            if (m_patterns.count(t[1]))
                fail("pattern '" + t[1] + "' is defined twice");
            m_inPattern = true;
            m_patternName = t[1];
            m_patternLine = m_line;
            m_current = Pattern{};
            m_current.length = static_cast<long>(number(t[2], 1, 64, "bars")) *
                               m_score.beatsPerBar * Score::TicksPerQuarter;
            m_voicePositions.clear();
        } else if (word == "song") {
            m_songSeen = true;
            for (std::size_t i = 1; i < t.size(); ++i)
                songItem(t[i]);
        } else if (word == "end") {
            fail("'end' outside a pattern");
        } else {
            fail("unknown statement '" + word + "'");
        }
    }

    void instrumentLine(const std::vector<std::string>& t) {
        if (t.size() < 3)
            fail("expected 'instrument NAME WAVE [PARAMETER VALUE]...'");
        Instrument inst;
        inst.name = t[1];
        if (instrumentIndex(inst.name) >= 0)
            fail("instrument '" + inst.name + "' is defined twice");
        if (!Instrument::waveFromName(t[2], inst.wave))
            fail("unknown wave '" + t[2] +
                 "' (sine, triangle, square, saw, noise, kick, snare, hat)");
        if (inst.percussive()) {
            // Drums ring out by themselves; the envelope only shapes their fall.
            inst.attack = 0.001;
            inst.sustain = 0;
            inst.decay = inst.wave == Instrument::Wave::Hat ? 0.03 : 0.12;
        }
        for (std::size_t i = 3; i < t.size(); i += 2) {
            if (i + 1 >= t.size())
                fail("parameter '" + t[i] + "' has no value");
            const std::string error = inst.setParameter(t[i], number(t[i + 1], -1e9, 1e9, t[i]));
            if (!error.empty())
                fail(error);
        }
        m_score.instruments.push_back(inst);
    }

    void barLine(long position, const std::string& voice) {
        const long bar = m_score.beatsPerBar * Score::TicksPerQuarter;
        if (position % bar != 0)
            fail("bar line in '" + voice + "' falls " + beatsText(position % bar) +
                 " beats into bar " + std::to_string(position / bar + 1));
    }

    void voiceLine(const std::vector<std::string>& t) {
        const int index = instrumentIndex(t[0]);
        if (index < 0)
            fail("unknown instrument '" + t[0] + "'");
        const Instrument& inst = m_score.instruments[index];
        auto& [position, length] = m_voicePositions[index];
        if (length == 0)
            length = Score::TicksPerQuarter;
        for (std::size_t i = 1; i < t.size(); ++i) {
            const std::string& token = t[i];
            if (token == "|") {
                barLine(position, inst.name);
                continue;
            }
            if (inst.percussive()) {
                for (char c : token) {
                    if (c == 'x' || c == 'X')
                        m_current.notes.push_back({index,
                                                   position,
                                                   Score::TicksPerWhole / 16,
                                                   {0},
                                                   c == 'X' ? 1.0 : 0.75});
                    else if (c == '|')
                        barLine(position, inst.name);
                    else if (c != '.' && c != '-')
                        fail(std::string("drum step '") + c + "' in '" + token +
                             "' is none of x X . -");
                    if (c != '|')
                        position += Score::TicksPerWhole / 16;
                }
                continue;
            }
            // "c4+e4/4*3" plays the same note three times in a row.
            std::string written = token;
            long times = 1;
            if (auto star = written.find('*'); star != std::string::npos) {
                times = static_cast<long>(
                    number(written.substr(star + 1), 1, 64, "repeat count in '" + token + "'"));
                written.erase(star);
            }
            Score::Note note;
            note.instrument = index;
            note.velocity = readNote(written, note.keys, length) ? 1.0 : 0.8;
            note.length = length;
            for (long r = 0; r < times; ++r) {
                note.start = position;
                position += length;
                if (!note.keys.empty())
                    m_current.notes.push_back(note);
            }
        }
    }

    // Reads one note token into keys (empty for a rest) and length; true when accented.
    bool readNote(std::string token, std::vector<int>& keys, long& length) {
        const std::string original = token;
        bool accent = false;
        for (std::size_t p; (p = token.find('!')) != std::string::npos;) {
            accent = true;
            token.erase(p, 1);
        }
        if (auto slash = token.find('/'); slash != std::string::npos) {
            std::string divisor = token.substr(slash + 1);
            token.erase(slash);
            const bool dotted = !divisor.empty() && divisor.back() == '.';
            if (dotted)
                divisor.pop_back();
            const long n =
                static_cast<long>(number(divisor, 1, 384, "note length in '" + original + "'"));
            long ticks = Score::TicksPerWhole % n == 0 ? Score::TicksPerWhole / n : 0;
            if (dotted)
                ticks = ticks % 2 == 0 ? ticks * 3 / 2 : 0;
            if (ticks == 0)
                fail("note length '/" + divisor + (dotted ? "." : "") + "' in '" + original +
                     "' does not fit the tick grid");
            length = ticks;
        }
        if (token == "r")
            return accent;
        std::size_t start = 0;
        while (start <= token.size()) {
            std::size_t plus = token.find('+', start);
            if (plus == std::string::npos)
                plus = token.size();
            keys.push_back(pitch(token.substr(start, plus - start), original));
            start = plus + 1;
        }
        return accent;
    }

    int pitch(const std::string& p, const std::string& original) {
        static const int steps[] = {9, 11, 0, 2, 4, 5, 7}; // a b c d e f g
        if (p.size() < 2 || p[0] < 'a' || p[0] > 'g')
            fail("'" + original + "' is not a note (like c4, f#5, bb3, r, c4+e4+g4, with /8)");
        int key = steps[p[0] - 'a'];
        std::size_t i = 1;
        if (p[i] == '#' || (p[i] == 'b' && p.size() > 2)) {
            key += p[i] == '#' ? 1 : -1;
            ++i;
        }
        if (i + 1 != p.size() || !std::isdigit(static_cast<unsigned char>(p[i])))
            fail("'" + original + "' is not a note (like c4, f#5, bb3, r, c4+e4+g4, with /8)");
        return key + 12 * (p[i] - '0' + 1);
    }

    void endPattern() {
        for (const auto& [index, state] : m_voicePositions) {
            if (state.first != m_current.length)
                fail("in pattern '" + m_patternName + "', '" + m_score.instruments[index].name +
                     "' lasts " + beatsText(state.first) + " beats but the pattern " +
                     beatsText(m_current.length));
        }
        m_patterns[m_patternName] = m_current;
        m_inPattern = false;
    }

    void songItem(const std::string& item) {
        std::size_t i = 0;
        while (i < item.size() &&
               (std::isalnum(static_cast<unsigned char>(item[i])) || item[i] == '_'))
            ++i;
        const std::string name = item.substr(0, i);
        int transpose = 0;
        long repeat = 1;
        std::string rest = item.substr(i);
        if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
            std::size_t end = 1;
            while (end < rest.size() && std::isdigit(static_cast<unsigned char>(rest[end])))
                ++end;
            transpose = static_cast<int>(number(rest.substr(0, end), -24, 24, "transposition"));
            rest.erase(0, end);
        }
        if (!rest.empty() && rest[0] == '*') {
            repeat = static_cast<long>(number(rest.substr(1), 1, 64, "repeat count"));
            rest.clear();
        }
        if (name.empty() || !rest.empty())
            fail("'" + item + "' is not a song item (like A, A+5, B*2, C-2*2)");
        auto found = m_patterns.find(name);
        if (found == m_patterns.end())
            fail("song names pattern '" + name + "', which is not defined above");
        for (long r = 0; r < repeat; ++r) {
            for (Score::Note n : found->second.notes) {
                n.start += m_score.totalTicks;
                if (!m_score.instruments[n.instrument].percussive()) {
                    for (int& k : n.keys)
                        k += transpose;
                }
                m_score.notes.push_back(n);
            }
            m_score.totalTicks += found->second.length;
        }
    }

    std::string m_source;
    int m_line = 0;
    Score m_score;
    std::map<std::string, Pattern> m_patterns;
    bool m_inPattern = false;
    bool m_songSeen = false;
    std::string m_patternName;
    int m_patternLine = 0;
    Pattern m_current;
    std::map<int, std::pair<long, long>> m_voicePositions; // position and running note length
};

} // namespace

Score ScoreParser::parse(const std::string& text, const std::string& sourceName) {
    return Reader(sourceName).run(text);
}
