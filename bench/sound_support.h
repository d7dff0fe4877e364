#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

// Helpers shared by the sound benchmarks: a scratch working directory and synthesized WAVs.
namespace soundbench {

inline std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A 16-bit stereo WAV at 44.1 kHz of a few mixed tones, so an encoder has something to chew on.
inline QByteArray musicWav(double seconds, double amplitude = 6000) {
    const int rate = 44100;
    const auto frames = static_cast<std::int64_t>(seconds * rate);
    QByteArray data(static_cast<qsizetype>(frames * 4), Qt::Uninitialized);
    auto* out = reinterpret_cast<std::int16_t*>(data.data());
    for (std::int64_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double note = 220.0 * std::pow(2.0, static_cast<int>(t * 4) % 12 / 12.0);
        const double l = std::sin(2 * M_PI * note * t) + 0.5 * std::sin(2 * M_PI * 2 * note * t);
        const double r = std::sin(2 * M_PI * note * 1.5 * t);
        out[2 * i] = static_cast<std::int16_t>(amplitude * l / 1.5);
        out[2 * i + 1] = static_cast<std::int16_t>(amplitude * r);
    }
    auto u32 = [](std::uint32_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](std::uint16_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 2); };
    const auto size = static_cast<std::uint32_t>(data.size());
    return "RIFF" + u32(36 + size) + "WAVEfmt " + u32(16) + u16(1) + u16(2) + u32(rate) +
           u32(rate * 4) + u16(4) + u16(16) + "data" + u32(size) + data;
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Peak resident memory of this process so far, in MiB.
inline double peakRssMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// Starts the peak over from the present size (the kernel's clear_refs, value 5).
inline void resetPeakRss() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// Long music for the long-track benchmarks, made piece by piece in order: the tones of
// musicWav() drifting slowly in pitch and loudness, a tone sweeping up and down over six octaves
// and back every seven minutes, and seeded noise, so that no stretch of an hour repeats and an
// encoder spends its bits as on real music rather than on a pure tone. The same for every run.
class LongMusic {
public:
    // The next `seconds` of raw 16-bit stereo PCM at 44.1 kHz.
    QByteArray next(double seconds) {
        const auto frames = static_cast<std::int64_t>(seconds * Rate);
        QByteArray data(static_cast<qsizetype>(frames * 4), Qt::Uninitialized);
        auto* out = reinterpret_cast<std::int16_t*>(data.data());
        for (std::int64_t i = 0; i < frames; ++i, ++m_frame) {
            const double t = static_cast<double>(m_frame) / Rate;
            const double drift = 1.0 + 0.02 * std::sin(t / 37.0);
            const double note = 220.0 * drift * std::pow(2.0, static_cast<int>(t * 4) % 12 / 12.0);
            const double level = 0.75 + 0.25 * std::sin(t / 53.0);
            // Up and down in log frequency, 60 Hz to 3.8 kHz, its phase carried sample to sample.
            const double sweepAt = std::fmod(t, SweepSeconds) / SweepSeconds;
            const double octave = 6.0 * (sweepAt < 0.5 ? 2 * sweepAt : 2 - 2 * sweepAt);
            m_sweepPhase += 2 * M_PI * 60.0 * std::pow(2.0, octave) / Rate;
            if (m_sweepPhase > 2 * M_PI)
                m_sweepPhase -= 2 * M_PI;
            // White noise, a fixed hash of the sample's place, softened by a one-pole filter.
            m_noise += 0.3 * (noise(m_frame) - m_noise);
            const double tones =
                std::sin(2 * M_PI * note * t) + 0.5 * std::sin(4 * M_PI * note * t);
            const double sweep = std::sin(m_sweepPhase);
            const double l = 0.45 * tones / 1.5 + 0.25 * sweep + 0.2 * m_noise;
            const double r = 0.45 * std::sin(3 * M_PI * note * t) + 0.25 * sweep - 0.2 * m_noise;
            out[2 * i] = static_cast<std::int16_t>(Amplitude * level * l);
            out[2 * i + 1] = static_cast<std::int16_t>(Amplitude * level * r);
        }
        return data;
    }

private:
    static constexpr int Rate = 44100;
    static constexpr double Amplitude = 16000;
    static constexpr double SweepSeconds = 420;
    // -1 to 1 from the sample's index (splitmix64).
    static double noise(std::int64_t index) {
        std::uint64_t z = static_cast<std::uint64_t>(index) + 0x9E3779B97F4A7C15ULL;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        z ^= z >> 31;
        return static_cast<double>(z >> 11) / static_cast<double>(1ULL << 52) - 1.0;
    }
    std::int64_t m_frame = 0;
    double m_sweepPhase = 0;
    double m_noise = 0;
};

// Writes a long MP3 for the benchmarks: `minutes` of LongMusic, encoded by lame in one run (fed
// through a pipe, so no long WAV is ever on disk), as a player's own long track would be.
// `bundled` gives the format of the game's own tracks (22.05 kHz mono, 64 kbit/s), otherwise
// 44.1 kHz stereo at 128 kbit/s. The file appears under its name only when whole. False, with a
// message on stderr, when lame is missing or fails.
inline bool writeLongMp3(const QString& path, int minutes, bool bundled) {
    const QString lame = QStandardPaths::findExecutable(QStringLiteral("lame"));
    if (lame.isEmpty()) {
        std::fprintf(stderr, "lame is needed to make the MP3\n");
        return false;
    }
    QStringList args{QStringLiteral("--quiet"),    QStringLiteral("-r"),
                     QStringLiteral("-s"),         QStringLiteral("44.1"),
                     QStringLiteral("--bitwidth"), QStringLiteral("16"),
                     QStringLiteral("--signed"),   QStringLiteral("--little-endian")};
    // The input is stereo: a mono file is its downmix (-a), as a player's encoder makes it.
    if (bundled)
        args << QStringLiteral("-a") << QStringLiteral("--resample") << QStringLiteral("22.05")
             << QStringLiteral("-b") << QStringLiteral("64");
    else
        args << QStringLiteral("-m") << QStringLiteral("j") << QStringLiteral("-b")
             << QStringLiteral("128");
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    QProcess encoder;
    encoder.start(lame, args << QStringLiteral("-") << part);
    if (!encoder.waitForStarted()) {
        std::fprintf(stderr, "lame did not start\n");
        return false;
    }
    LongMusic music;
    constexpr double Piece = 10.0; // seconds fed at a time
    for (double at = 0; at < minutes * 60.0; at += Piece) {
        const QByteArray pcm = music.next(Piece);
        if (encoder.write(pcm) != pcm.size())
            break;
        while (encoder.bytesToWrite() > 0 && encoder.state() == QProcess::Running)
            encoder.waitForBytesWritten(-1);
    }
    encoder.closeWriteChannel();
    encoder.waitForFinished(-1);
    if (encoder.exitStatus() != QProcess::NormalExit || encoder.exitCode() != 0 ||
        !QFileInfo::exists(part)) {
        std::fprintf(stderr, "lame failed\n");
        QFile::remove(part);
        return false;
    }
    QFile::remove(path);
    return QFile::rename(part, path);
}

// A long MP3 as writeLongMp3() makes it, kept in `cacheDir` (made when missing) so that later
// runs use the same file without the minutes of encoding. Its path, or empty when it cannot be
// made. `made` tells whether it was encoded now.
inline QString cachedLongMp3(const QString& cacheDir, int minutes, bool bundled, bool& made) {
    // The name changes with the music or the encoder's settings, so an old file is never used.
    const QString path =
        cacheDir + QStringLiteral("/long-music-v2-%1min-%2.mp3")
                       .arg(minutes)
                       .arg(bundled ? QStringLiteral("bundled") : QStringLiteral("stereo"));
    made = false;
    if (QFileInfo(path).size() > 0)
        return path;
    if (!QDir().mkpath(cacheDir) || !writeLongMp3(path, minutes, bundled))
        return {};
    made = true;
    return path;
}

// The value below which the given share of the samples lie.
inline double percentile(std::vector<double> values, double share) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[index];
}

} // namespace soundbench
