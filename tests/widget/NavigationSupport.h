#pragma once

#include "tests/support/ModalWatchdog.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Deletes a screen window at the end of a test unless it already went (screens delete
// themselves on close), so no test leaves a window behind for the next one.
template <class W> class Owned {
public:
    explicit Owned(W* window) : m_window(window) {}
    ~Owned() { delete m_window.data(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    W* operator->() const { return m_window.data(); }
    W* get() const { return m_window.data(); }

private:
    QPointer<W> m_window;
};

// Answers the next modal dialog from inside its own event loop, so a test never blocks in
// exec(). Should the answer leave the dialog open, the dialog is rejected and forced() tells.
class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(QWidget*)> answer)
        : m_state(std::make_shared<State>()) {
        m_state->answer = std::move(answer);
        poll(m_state);
    }
    ~ModalAnswer() { m_state->active = false; }
    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;

    bool answered() const { return m_state->answered; }
    bool forced() const { return m_state->forced; }

private:
    struct State {
        std::function<void(QWidget*)> answer;
        bool active = true;
        bool answered = false;
        bool forced = false;
        int tries = 0;
    };

    static void poll(std::shared_ptr<State> state) {
        QTimer::singleShot(0, [state] {
            if (!state->active)
                return;
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) {
                if (++state->tries < 50)
                    poll(state);
                return;
            }
            state->active = false;
            state->answered = true;
            state->answer(modal);
            QPointer<QWidget> left(modal);
            QTimer::singleShot(0, [state, left] {
                if (!left || !left->isVisible())
                    return;
                state->forced = true;
                if (auto* dialog = qobject_cast<QDialog*>(left.data()))
                    dialog->reject();
                else
                    left->close();
            });
        });
    }

    ModalWatchdog::Expected m_expected;
    std::shared_ptr<State> m_state;
};

// A timer's timeout as the event loop would deliver it: through the timer's own connection, so a
// handler that is no longer connected is noticed.
inline void fire(QTimer* timer, int times = 1) {
    for (int i = 0; i < times; ++i)
        QMetaObject::invokeMethod(timer, "timeout");
}

// The top-level windows on screen now.
inline QWidgetList visibleWindows() {
    QWidgetList shown;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            shown << w;
    return shown;
}
