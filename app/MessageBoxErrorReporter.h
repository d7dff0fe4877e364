#pragma once

#include "core/ErrorReporter.h"

// One message box naming the file and the failure, then the program ends.
class MessageBoxErrorReporter : public ErrorReporter {
public:
    void fatal(const QString& message) override;
    // True once a fatal error was reported: main() then exits with status 1.
    bool failed() const override { return m_failed; }
    // A message box, and the program goes on.
    void warn(const QString& message) override;

private:
    bool m_failed = false;
};
