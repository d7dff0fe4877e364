#pragma once

#include "stats/HistoryFile.h"
#include "stats/ProgressModel.h"

#include <QWidget>

class KeyboardView;
class QChartView;
class QLabel;
class QVBoxLayout;
class WeakKeyTrendChart;

// The progress window of `--stats`: score and speed per round, accuracy per round and the
// keyboard of recent misses, from the history in the working folder. Not one of the game's
// screens: it opens alone and the game does not run beside it.
class ProgressWindow : public QWidget {
    Q_OBJECT
public:
    static inline const QString Title = QStringLiteral("カザミナへのタイピング ～成績～");
    static inline const QString NoRecords = QStringLiteral("まだ記録がありません");

    explicit ProgressWindow(const HistoryFile::Loaded& history, QWidget* parent = nullptr);

    const ProgressModel& model() const { return m_model; }

    QChartView* scoreChart = nullptr;    // score and speed, two axes
    QChartView* accuracyChart = nullptr; // accuracy
    KeyboardView* keyboard = nullptr;
    WeakKeyTrendChart* weakKeyTrend = nullptr; // 「苦手キーの推移」
    QLabel* emptyNote = nullptr; // stands in for the charts when there is nothing to draw
    QLabel* readNote = nullptr;  // lines passed over, or why the history could not be read

private:
    void buildCharts();
    void addWeakKeyTrend(const std::vector<HistoryRecord>& records, QVBoxLayout* layout);

    ProgressModel m_model;
};

// Opens the progress window on system/history.csv under the working folder and runs it until
// it closes; the program's exit status.
int runProgressWindow();
