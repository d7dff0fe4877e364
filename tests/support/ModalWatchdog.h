#pragma once

#include <QObject>

class QTimer;

// Fails the running test at once when a modal window (a dialog's exec(), a message box) opens
// that the test did not ask for, and closes it, so that the test goes on instead of waiting in
// the window's event loop until CTest kills it. Tests that mean to answer a modal window hold
// an Expected for as long as it may be open.
class ModalWatchdog : public QObject {
    Q_OBJECT
public:
    // Starts the watchdog for the rest of the program; call once the application exists.
    static void install();

    class Expected {
    public:
        Expected() { ++s_expected; }
        ~Expected() { --s_expected; }
        Expected(const Expected&) = delete;
        Expected& operator=(const Expected&) = delete;
    };

    // Unexpected modal windows closed so far.
    static int closedCount() { return s_closed; }

private:
    explicit ModalWatchdog(QObject* parent);
    void check();

    QTimer* m_timer;
    static inline int s_expected = 0;
    static inline int s_closed = 0;
};
