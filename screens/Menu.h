#pragma once

#include "screens/ScreenWindow.h"

#include <array>
#include <string>

class QKeyEvent;
class QLabel;
class QMessageBox;
class QTimer;

// The hub of the game: five entries in a staircase, a red highlight moved with Up/Down,
// and Space to open a mode, the settings dialog, or the exit box.
class Menu : public ScreenWindow {
    Q_OBJECT
public:
    static constexpr int EntryCount = 5;

    explicit Menu(GameContext& context, QWidget* parent = nullptr);

    // The description that setu shows for entry 1 to 5.
    static QString description(int selection);
    // The colour of an entry that is not highlighted: the system's button face, kept light
    // so that it reads on the black window whatever theme is active.
    static QColor buttonFace();

    const std::string& track() const { return m_track; }
    // The exit box while it is open (tests answer it), else null.
    QMessageBox* exitBox() const { return m_exitBox; }

    QLabel* tre;
    QLabel* kazamina; // the main-mode entry
    QLabel* rank;
    QLabel* conf;
    QLabel* exitt;
    QLabel* setu;
    QTimer* Timer1;

public slots:
    void Timer1_Timer();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void unload() override;

private:
    QLabel* entry(int selection) const;
    void paintHighlight();
    void paint(int selection);
    void announce(QLabel* current);
    void act();
    bool confirmExit();

    std::string m_track;
    QMessageBox* m_exitBox = nullptr;
};
