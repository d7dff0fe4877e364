#include "tools/synth/WavFile.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace {

void put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

} // namespace

std::string WavFile::bytes(const std::vector<std::int16_t>& samples, int sampleRate) {
    const auto dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    std::string out;
    out.reserve(44 + dataSize);
    out += "RIFF";
    put(out, 36 + dataSize, 4);
    out += "WAVEfmt ";
    put(out, 16, 4);
    put(out, 1, 2); // PCM
    put(out, 1, 2); // mono
    put(out, static_cast<std::uint32_t>(sampleRate), 4);
    put(out, static_cast<std::uint32_t>(sampleRate * 2), 4);
    put(out, 2, 2);
    put(out, 16, 2);
    out += "data";
    put(out, dataSize, 4);
    for (std::int16_t s : samples)
        put(out, static_cast<std::uint16_t>(s), 2);
    return out;
}

void WavFile::write(const std::string& path, const std::vector<std::int16_t>& samples,
                    int sampleRate) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    std::error_code error;
    if (target.has_parent_path())
        fs::create_directories(target.parent_path(), error);
    const fs::path part = target.string() + ".part";
    {
        std::ofstream file(part, std::ios::binary | std::ios::trunc);
        const std::string data = bytes(samples, sampleRate);
        file.write(data.data(), static_cast<std::streamsize>(data.size()));
        if (!file)
            throw std::runtime_error("cannot write " + part.string());
    }
    fs::rename(part, target, error);
    if (error)
        throw std::runtime_error("cannot rename " + part.string() + " to " + path + ": " +
                                 error.message());
}
