#pragma once

#include "settings/GameOptions.h"
#include "settings/SpellingGroups.h"
#include "settings/SpellingSelection.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QGroupBox;
class QKeyEvent;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;
struct GameContext;

// The spelling settings dialog: one frame per kana group with its two spellings. Changes
// reach the variant table within a tick; the file is written only by the close button.
class config : public QDialog {
    Q_OBJECT
public:
    explicit config(GameContext& context, QWidget* parent = nullptr);

    // False when the settings file could not be read: the error was reported and the
    // dialog must not be shown.
    bool loaded() const { return m_loaded; }

    // The selection the option buttons show now.
    SpellingSelection selection() const;

    // Option 1..20 in file-line order (ctya, ccha, ..., chu, cfu); the buttons also carry
    // those names as object names.
    QRadioButton* option(int number) const { return m_options[number - 1]; }
    QGroupBox* frame(int group) const { return m_frames[group]; }
    QGroupBox* scaleFrame() const { return m_scaleFrame; }

    // The judging the group shows now, and the button of each judging.
    GameOptions::Judging judging() const;
    QRadioButton* judgingOption(GameOptions::Judging judging) const {
        return m_judging[static_cast<std::size_t>(judging)];
    }

    QPushButton* Command2;
    // Below the frames and the close button: how the round judges the romaji.
    QGroupBox* FrameJudging;
    // Under the input frame: draw the drill's characters and the round's phrases by the weak keys.
    QCheckBox* WeakKeys;
    QPlainTextEdit* Text1;
    QTimer* Timer1;
    // 入力方式: romaji (the original game) or kana on the JIS kana layout.
    QGroupBox* inputFrame = nullptr;
    QRadioButton* inputRomaji = nullptr;
    QRadioButton* inputKana = nullptr;

public slots:
    void Timer1_Timer();
    void Command2_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildFrames();
    // The screen size choice under the check box; returns the bottom edge.
    int buildScaleGroup(int top, int width);
    void showScale(double scale);
    double chosenScale() const;
    void orderTabs();
    void buildJudging(int top, int width);
    // Puts the input method's frame at `top`; returns its height.
    int buildInputFrame(int top, int width);
    GameOptions::Input chosenInput() const;
    void load();
    void showSelection(const SpellingSelection& selection);
    void storePosition();

    GameContext& m_context;
    std::array<QRadioButton*, SpellingGroups::OptionCount> m_options{};
    std::array<QGroupBox*, SpellingGroups::GroupCount> m_frames{};
    QGroupBox* m_scaleFrame = nullptr;
    std::array<QRadioButton*, 4> m_scaleButtons{};
    static constexpr int JudgingCount = 4;
    std::array<QRadioButton*, JudgingCount> m_judging{};
    bool m_loaded = false;
};
