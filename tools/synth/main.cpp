// kazamina-synth: renders one of our note files to a WAV file.
#include "tools/synth/ScoreError.h"
#include "tools/synth/ScoreParser.h"
#include "tools/synth/Synthesizer.h"
#include "tools/synth/WavFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kazamina-synth NOTES.txt OUT.wav\n");
        return 2;
    }
    try {
        std::ifstream in(argv[1], std::ios::binary);
        if (!in)
            throw std::runtime_error(std::string("cannot read ") + argv[1]);
        std::ostringstream text;
        text << in.rdbuf();
        const Score score =
            ScoreParser::parse(text.str(), std::filesystem::path(argv[1]).filename().string());
        const auto pcm = Synthesizer::render(score);
        WavFile::write(argv[2], pcm, Synthesizer::SampleRate);
        std::printf("%s: %.2f s, peak %.1f dBFS, RMS %.1f dBFS\n",
                    std::filesystem::path(argv[2]).filename().c_str(),
                    static_cast<double>(pcm.size()) / Synthesizer::SampleRate,
                    Synthesizer::peakDb(pcm), Synthesizer::rmsDb(pcm));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kazamina-synth: %s\n", e.what());
        return 1;
    }
}
