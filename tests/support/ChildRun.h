#pragma once

#include <QString>

#include <functional>

// Runs part of a test in a child process: a call that hangs becomes a failure instead of a stuck
// test, a crash is seen as one, and under root the child can drop to the unprivileged user
// "nobody", so checks of permissions test something when CI runs as root.
class ChildRun {
public:
    struct Result {
        bool finished = false; // the child ended by itself within the guard
        bool crashed = false;  // it died of a signal or ended without its report
        QString output;        // what the body returned
    };

    // The body's text comes back in output. An exception escaping the body is reported as
    // "escaped: ...". The guard is a hang guard only, far above what any case needs.
    static Result run(const std::function<QString()>& body, bool unprivileged,
                      int guardSeconds = 20);

    static bool isRoot();
    // Gives a folder tree to the unprivileged user when running as root (else does nothing), so a
    // child that dropped to it can work there.
    static void handOver(const QString& path);
};
