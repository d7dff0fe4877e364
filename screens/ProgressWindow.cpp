#include "screens/ProgressWindow.h"

#include "core/TextFile.h"
#include "screens/KeyboardView.h"
#include "screens/WeakKeyTrendChart.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

QValueAxis* axis(const QString& title, double low, double high, const QColor& colour = {}) {
    auto* a = new QValueAxis;
    a->setTitleText(title);
    a->setRange(low, high);
    if (colour.isValid()) {
        a->setLabelsColor(colour);
        a->setTitleBrush(colour);
    }
    return a;
}

QString readNoteText(const HistoryFile::Loaded& history) {
    if (!history.error.isEmpty())
        return QStringLiteral("%1 を読めません：%2")
            .arg(TextFile::hostPath(HistoryFile::Path), history.error);
    if (history.skippedLines.empty())
        return {};
    QStringList numbers;
    for (size_t i = 0; i < history.skippedLines.size() && i < 10; ++i)
        numbers << QString::number(history.skippedLines[i]);
    if (history.skippedLines.size() > 10)
        numbers << QStringLiteral("…");
    return QStringLiteral("%1 の %2 行を読み飛ばしました（%3 行目）")
        .arg(TextFile::hostPath(HistoryFile::Path))
        .arg(history.skippedLines.size())
        .arg(numbers.join(QStringLiteral("、")));
}

} // namespace

ProgressWindow::ProgressWindow(const HistoryFile::Loaded& history, QWidget* parent)
    : QWidget(parent), m_model(history.records) {
    setWindowTitle(Title);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);

    readNote = new QLabel(readNoteText(history), this);
    readNote->setObjectName(QStringLiteral("readNote"));
    readNote->setWordWrap(true);
    readNote->setVisible(!readNote->text().isEmpty());

    if (m_model.empty()) {
        emptyNote = new QLabel(NoRecords, this);
        emptyNote->setObjectName(QStringLiteral("emptyNote"));
        emptyNote->setAlignment(Qt::AlignCenter);
        QFont font = emptyNote->font();
        font.setPointSizeF(font.pointSizeF() * 1.6);
        emptyNote->setFont(font);
        layout->addWidget(emptyNote, 1);
        layout->addWidget(readNote);
        resize(520, 300);
        return;
    }
    buildCharts();
    layout->addWidget(scoreChart, 3);
    layout->addWidget(accuracyChart, 2);
    keyboard = new KeyboardView(m_model, this);
    auto* legend = new QLabel(
        QStringLiteral(
            "キーの色：直近 %1 回のミス率（緑 0% → 黄 %2% → 赤 %3% 以上、灰色は打つ場面なし）。"
            "キーに合わせると回数が出ます。")
            .arg(m_model.keyRounds())
            .arg(ProgressModel::RedRate * 50)
            .arg(ProgressModel::RedRate * 100),
        this);
    legend->setObjectName(QStringLiteral("keyLegend"));
    legend->setAlignment(Qt::AlignCenter);
    legend->setWordWrap(true);
    layout->addWidget(legend);
    layout->addWidget(keyboard, 2);
    addWeakKeyTrend(history.records, layout);
    layout->addWidget(readNote);
    resize(900, 980);
}

void ProgressWindow::buildCharts() {
    const auto& points = m_model.points();
    const double first = points.front().round;
    const double last = std::max(points.back().round, points.front().round + 1);

    auto* score = new QLineSeries;
    score->setName(QStringLiteral("スコア"));
    auto* speed = new QLineSeries;
    speed->setName(QStringLiteral("速度（打/秒）"));
    auto* accuracy = new QLineSeries;
    accuracy->setName(QStringLiteral("正確率（%）"));
    double lowScore = 0, highScore = 0, highSpeed = 0, lowAccuracy = 100;
    for (const ProgressModel::Point& p : points) {
        score->append(p.round, p.score);
        speed->append(p.round, p.speed);
        accuracy->append(p.round, p.accuracy);
        lowScore = std::min<double>(lowScore, p.score);
        highScore = std::max<double>(highScore, p.score);
        highSpeed = std::max(highSpeed, p.speed);
        lowAccuracy = std::min(lowAccuracy, p.accuracy);
    }
    // A single round still gets a readable line, not a point on a zero-width axis.
    for (QLineSeries* s : {score, speed, accuracy})
        s->setPointsVisible(points.size() < 40);

    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("スコアと速度（直近 %1 回）").arg(points.size()));
    chart->addSeries(score);
    chart->addSeries(speed);
    auto* rounds = axis(QStringLiteral("回"), first, last);
    rounds->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(rounds, Qt::AlignBottom);
    auto* scoreAxis = axis(QStringLiteral("スコア"), lowScore, std::max(highScore, lowScore + 100),
                           score->color());
    scoreAxis->applyNiceNumbers();
    scoreAxis->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(scoreAxis, Qt::AlignLeft);
    auto* speedAxis =
        axis(QStringLiteral("打/秒"), 0, std::max(1.0, highSpeed * 1.1), speed->color());
    speedAxis->applyNiceNumbers();
    chart->addAxis(speedAxis, Qt::AlignRight);
    score->attachAxis(rounds);
    score->attachAxis(scoreAxis);
    speed->attachAxis(rounds);
    speed->attachAxis(speedAxis);
    scoreChart = new QChartView(chart, this);
    scoreChart->setObjectName(QStringLiteral("scoreChart"));
    scoreChart->setRenderHint(QPainter::Antialiasing);

    auto* accuracyPlot = new QChart;
    accuracyPlot->setTitle(QStringLiteral("正確率"));
    accuracyPlot->addSeries(accuracy);
    auto* rounds2 = axis(QStringLiteral("回"), first, last);
    rounds2->setLabelFormat(QStringLiteral("%d"));
    accuracyPlot->addAxis(rounds2, Qt::AlignBottom);
    auto* percent =
        axis(QStringLiteral("%"), std::max(0.0, std::floor(lowAccuracy / 10) * 10 - 10), 100);
    percent->setTickCount(static_cast<int>((100 - percent->min()) / 10) + 1); // every 10 %
    percent->setLabelFormat(QStringLiteral("%d"));
    accuracyPlot->addAxis(percent, Qt::AlignLeft);
    accuracy->attachAxis(rounds2);
    accuracy->attachAxis(percent);
    accuracyPlot->legend()->hide();
    accuracyChart = new QChartView(accuracyPlot, this);
    accuracyChart->setObjectName(QStringLiteral("accuracyChart"));
    accuracyChart->setRenderHint(QPainter::Antialiasing);
}

void ProgressWindow::addWeakKeyTrend(const std::vector<HistoryRecord>& records,
                                     QVBoxLayout* layout) {
    WeakKeyTrend trend;
    const size_t first =
        records.size() > WeakKeyTrend::Records ? records.size() - WeakKeyTrend::Records : 0;
    for (size_t i = first; i < records.size(); ++i)
        trend.add(records[i]);
    weakKeyTrend = new WeakKeyTrendChart(trend, this);
    layout->addWidget(weakKeyTrend, 2);
}

int runProgressWindow() {
    const HistoryFile::Loaded history = HistoryFile::load();
    if (!history.error.isEmpty())
        std::fprintf(stderr, "kazamina-typing: %s: %s\n",
                     qUtf8Printable(TextFile::hostPath(HistoryFile::Path)),
                     qUtf8Printable(history.error));
    auto* window = new ProgressWindow(history);
    window->show();
    return QApplication::exec();
}
