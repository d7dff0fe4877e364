#pragma once

#include "stats/ProgressModel.h"

#include <QColor>
#include <QSize>
#include <QWidget>

class KeyboardView;
class QChartView;
class QLabel;
class QRadioButton;
class QScrollArea;
class QBoxLayout;
class WeakKeyTrendChart;

// The progress window of `--stats`: score and speed per round, accuracy per round and the
// keyboard of recent misses, from the history in the working folder. Not one of the game's
// screens: it runs in a program of its own, so the game never loads the charts' libraries.
class ProgressWindow : public QWidget {
    Q_OBJECT
public:
    static inline const QString Title = QStringLiteral("カザミナへのタイピング ～成績～");
    static inline const QString NoRecords = QStringLiteral("まだ記録がありません");
    // The size it opens at when the screen has room for it.
    static constexpr QSize Preferred{900, 860};
    // The share of the screen it may take at most.
    static constexpr double ScreenShare = 0.9;
    // Text colours of the series, dark enough to read on the charts' white.
    static inline const QColor ChartBackground{Qt::white};
    static inline const QColor ScoreColour{0, 92, 175};
    static inline const QColor SpeedColour{176, 70, 0};
    static inline const QColor AccuracyColour{0, 120, 60};
    static inline const QColor AxisColour{50, 50, 50}; // the round axis, shared by both charts

    explicit ProgressWindow(const ProgressModel::Loaded& history, QWidget* parent = nullptr);

    const ProgressModel& model() const { return m_model; }
    // The keyboard, its legend and 「苦手キーの推移」 for the rounds of one input.
    void showInput(GameOptions::Input input);
    // The size it opens at on a screen whose free area is `available`.
    static QSize openingSize(const QSize& available);

    QScrollArea* scroller = nullptr;     // scrolls the content on a screen too small for it
    QWidget* content = nullptr;          // everything the window shows
    QLabel* summary = nullptr;           // the charts in words
    QChartView* scoreChart = nullptr;    // score and speed, two axes
    QChartView* accuracyChart = nullptr; // accuracy
    KeyboardView* keyboard = nullptr;
    WeakKeyTrendChart* weakKeyTrend = nullptr; // 「苦手キーの推移」
    // 「ローマ字」 and 「かな」 beside the keyboard's legend, only for a history with rounds of
    // both.
    QWidget* inputSwitch = nullptr;
    QRadioButton* romajiView = nullptr;
    QRadioButton* kanaView = nullptr;
    QLabel* keyLegend = nullptr;
    QLabel* emptyNote = nullptr; // stands in for the charts when there is nothing to draw
    QLabel* readNote = nullptr;  // lines passed over, or why the history could not be read

private:
    void buildCharts();
    void addWeakKeyTrend(QBoxLayout* layout);
    void addInputSwitch();
    QString legendText(GameOptions::Input input) const;

    ProgressModel m_model;
};

// Opens the progress window on system/history.csv under the working folder and runs it until
// it closes; the program's exit status.
int runProgressWindow();
