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

// Raw 16-bit stereo PCM at 44.1 kHz from `fromSecond` on: the tones of musicWav() with a slow
// drift of pitch and loudness, so that a long stretch never repeats and pieces join seamlessly.
inline QByteArray musicPcm(double fromSecond, double seconds, double amplitude = 6000) {
    const int rate = 44100;
    const auto first = static_cast<std::int64_t>(fromSecond * rate);
    const auto frames = static_cast<std::int64_t>(seconds * rate);
    QByteArray data(static_cast<qsizetype>(frames * 4), Qt::Uninitialized);
    auto* out = reinterpret_cast<std::int16_t*>(data.data());
    for (std::int64_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(first + i) / rate;
        const double drift = 1.0 + 0.02 * std::sin(t / 37.0);
        const double note = 220.0 * drift * std::pow(2.0, static_cast<int>(t * 4) % 12 / 12.0);
        const double level = amplitude * (0.75 + 0.25 * std::sin(t / 53.0));
        const double l = std::sin(2 * M_PI * note * t) + 0.5 * std::sin(2 * M_PI * 2 * note * t);
        const double r = std::sin(2 * M_PI * note * 1.5 * t);
        out[2 * i] = static_cast<std::int16_t>(level * l / 1.5);
        out[2 * i + 1] = static_cast<std::int16_t>(level * r);
    }
    return data;
}

// Writes a long MP3 for the benchmarks: `minutes` of music that never repeats, encoded by lame
// in one run (fed through a pipe, so no long WAV is ever on disk), as a player's own long track
// would be. `bundled` gives the format of the game's own tracks (22.05 kHz mono, 64 kbit/s),
// otherwise 44.1 kHz stereo at 128 kbit/s. False, with a message on stderr, when lame is
// missing or fails.
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
    QProcess encoder;
    encoder.start(lame, args << QStringLiteral("-") << path);
    if (!encoder.waitForStarted()) {
        std::fprintf(stderr, "lame did not start\n");
        return false;
    }
    constexpr double Piece = 10.0; // seconds fed at a time
    for (double at = 0; at < minutes * 60.0; at += Piece) {
        const QByteArray pcm = musicPcm(at, Piece);
        if (encoder.write(pcm) != pcm.size())
            break;
        while (encoder.bytesToWrite() > 0 && encoder.state() == QProcess::Running)
            encoder.waitForBytesWritten(-1);
    }
    encoder.closeWriteChannel();
    encoder.waitForFinished(-1);
    if (encoder.exitStatus() != QProcess::NormalExit || encoder.exitCode() != 0) {
        std::fprintf(stderr, "lame failed\n");
        return false;
    }
    return QFileInfo::exists(path);
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
