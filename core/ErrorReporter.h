#pragma once

#include <QString>

// Tells the player about a fatal file error and ends the program.
class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    // After this returns, the caller must return without touching its window's state further.
    virtual void fatal(const QString& message) = 0;
    // True once a fatal error was reported: no further screen may open.
    virtual bool failed() const = 0;
    // A file fault the game works around (a broken phrase pack): the player is told, and the
    // program goes on.
    virtual void warn(const QString& message);
};
