#pragma once

#include "core/ErrorReporter.h"
#include "screens/GameContext.h"
#include "core/MonotonicClock.h"
#include "screens/Navigator.h"
#include "core/RandomSource.h"
#include "sound/MediaInterface.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <map>
#include <string>
#include <vector>

// A random source that returns the values a test scripts, then `fallback`.
class ScriptedRandom : public RandomSource {
public:
    void reseed() override { ++reseeds; }
    float next() override;
    void push(std::initializer_list<float> values) { queue.insert(queue.end(), values); }
    // Queues the value that makes draw(low, count) return `result`.
    void pushDraw(int result, int low, int count);

    std::deque<float> queue;
    float fallback = 0.5f;
    int reseeds = 0;
    int draws = 0;
};

// A clock that moves only when the test says so.
class FakeClock : public MonotonicClock {
public:
    int64_t nowNs() const override { return now; }
    void advanceMs(double ms) { now += static_cast<int64_t>(ms * 1'000'000); }
    int64_t now = 1'000'000'000;
};

// Records every command text and answers status queries from a per-path table.
class RecordingMedia : public MediaInterface {
public:
    int sendString(const std::string& command, char* reply, int replyRoom) override;
    // Commands sent so far, e.g. "close \"music\\ok.wav\"".
    std::vector<std::string> commands;
    // Reply to `status "PATH" mode`; paths not listed answer "stopped".
    std::map<std::string, std::string> modes;
    int count(const std::string& command) const;
};

class RecordingNavigator : public Navigator {
public:
    void show(Screen screen) override { shown.push_back(screen); }
    std::vector<Screen> shown;
};

class RecordingErrors : public ErrorReporter {
public:
    void fatal(const QString& message) override { messages << message; }
    bool failed() const override { return !messages.isEmpty(); }
    void warn(const QString& message) override { warnings << message; }
    QStringList messages;
    QStringList warnings;
};

// A GameContext wired to the recording stand-ins above.
struct TestContext {
    ScriptedRandom random;
    FakeClock clock;
    RecordingMedia media;
    RecordingNavigator navigator;
    RecordingErrors errors;
    GameContext context{random, clock, media, navigator, errors};
};
