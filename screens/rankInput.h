#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
struct GameContext;

// Name entry, modal over the result screen: the player's name and score go into the high-score
// table at place NewRank, then the result screen closes and the menu opens.
class rankInput : public QDialog {
    Q_OBJECT
public:
    static inline const QString PresetName = QStringLiteral("カザミナの人");

    explicit rankInput(GameContext& context, QWidget* parent = nullptr);

    // False when loading hit a fatal file error; the dialog must not be shown then.
    bool ready() const { return m_ready; }

    // Registers the name; Enter in inp does the same. Only the first of them counts.
    void Command1_Click();

    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* inp;
    QPushButton* Command1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closing through the window frame declines: nothing is written and the menu opens.
    void closeEvent(QCloseEvent* event) override;
    // Escape is not a way out; registering or closing the window are.
    void reject() override {}

private:
    // Closes this window and the result screen behind it and opens the menu.
    void leave(int code);

    GameContext& m_context;
    bool m_ready = false;
    bool m_done = false;
};
