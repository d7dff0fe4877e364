#include "screens/ProgressWindow.h"

#include "core/TextFile.h"
#include "screens/KeyboardView.h"
#include "screens/WeakKeyTrendChart.h"
#include "stats/HistoryFile.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// A scroll area sizes content that holds word-wrapped labels by its preferred height for the
// width; this content asks for its least height instead, so on a small screen the charts and
// the keyboard give up their spare height before a scroll bar appears.
class FittingContent : public QWidget {
public:
    int heightForWidth(int width) const override {
        const int least = layout() ? layout()->minimumHeightForWidth(width) : -1;
        return least >= 0 ? least : QWidget::heightForWidth(width);
    }
};

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

// Whole rounds only, one tick per round on a short history and never a number twice.
// Qt's charts keep wide margins around the plot; on a small screen the axes' numbers were
// the first thing to go (cut to "…"), so the plot gets that room instead.
void tighten(QChart* chart) {
    chart->setMargins(QMargins(4, 2, 4, 2));
    chart->layout()->setContentsMargins(2, 2, 2, 2);
}

QValueAxis* roundsAxis(const ProgressModel::RoundAxis& rounds) {
    auto* a = axis(QStringLiteral("回"), rounds.min, rounds.max, ProgressWindow::AxisColour);
    a->setTickType(QValueAxis::TicksDynamic);
    a->setTickAnchor(rounds.anchor);
    a->setTickInterval(rounds.interval);
    a->setLabelFormat(QStringLiteral("%d"));
    return a;
}

QLineSeries* series(const QString& name, const QColor& colour) {
    auto* s = new QLineSeries;
    s->setName(name);
    QPen pen(colour);
    pen.setWidthF(2);
    s->setPen(pen);
    return s;
}

QString readNoteText(const HistoryReader::Result& read) {
    const QString path = TextFile::hostPath(HistoryFile::Path);
    if (!read.error.isEmpty())
        return QStringLiteral("%1 を読めません：%2").arg(path, read.error);
    if (read.skipped == 0)
        return {};
    QStringList numbers;
    for (int line : read.skippedLines)
        numbers << QString::number(line);
    if (read.skipped > static_cast<int>(read.skippedLines.size()))
        numbers << QStringLiteral("…");
    return QStringLiteral("%1 の %2 行を読み飛ばしました（%3 行目）")
        .arg(path)
        .arg(read.skipped)
        .arg(numbers.join(QStringLiteral("、")));
}

} // namespace

ProgressWindow::ProgressWindow(const ProgressModel::Loaded& history, QWidget* parent)
    : QWidget(parent), m_model(history.model) {
    setWindowTitle(Title);
    setAttribute(Qt::WA_DeleteOnClose);
    // Without a window manager there is no close button: the keys close it.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    scroller = new QScrollArea(this);
    scroller->setObjectName(QStringLiteral("scroller"));
    scroller->setWidgetResizable(true);
    scroller->setFrameShape(QFrame::NoFrame);
    content = new FittingContent;
    auto* layout = new QVBoxLayout(content);

    readNote = new QLabel(readNoteText(history.read), content);
    readNote->setObjectName(QStringLiteral("readNote"));
    readNote->setWordWrap(true);
    readNote->setVisible(!readNote->text().isEmpty());

    if (m_model.empty()) {
        emptyNote = new QLabel(NoRecords, content);
        emptyNote->setObjectName(QStringLiteral("emptyNote"));
        emptyNote->setAlignment(Qt::AlignCenter);
        QFont font = emptyNote->font();
        font.setPointSizeF(font.pointSizeF() * 1.6);
        emptyNote->setFont(font);
        layout->addWidget(emptyNote, 1);
        layout->addWidget(readNote);
        scroller->setWidget(content);
        outer->addWidget(scroller);
        resize(520, 300);
        return;
    }
    summary = new QLabel(m_model.summary(), content);
    summary->setObjectName(QStringLiteral("summary"));
    summary->setWordWrap(true);
    summary->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    layout->addWidget(summary);
    buildCharts();
    layout->addWidget(scoreChart, 3);
    // Accuracy and 「苦手キーの推移」 side by side, so the window still fits a 1024×600 screen.
    auto* row = new QHBoxLayout;
    row->addWidget(accuracyChart, 1);
    addWeakKeyTrend(row);
    layout->addLayout(row, 2);
    keyboard = new KeyboardView(m_model, content);
    keyLegend = new QLabel(legendText(GameOptions::Input::Romaji), content);
    keyLegend->setObjectName(QStringLiteral("keyLegend"));
    keyLegend->setAlignment(Qt::AlignCenter);
    keyLegend->setWordWrap(true);
    addInputSwitch();
    if (inputSwitch) {
        // Beside the legend rather than over it, so the window still fits a 1024×600 screen.
        auto* switchRow = new QHBoxLayout;
        switchRow->addWidget(inputSwitch);
        switchRow->addWidget(keyLegend, 1);
        layout->addLayout(switchRow);
    } else {
        layout->addWidget(keyLegend);
    }
    layout->addWidget(keyboard, 2);
    layout->addWidget(readNote);
    scroller->setWidget(content);
    outer->addWidget(scroller);

    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 600);
    resize(openingSize(available.size()));
    move(available.topLeft() +
         QPoint((available.width() - width()) / 2, (available.height() - height()) / 2));
}

QSize ProgressWindow::openingSize(const QSize& available) {
    return QSize(std::min(Preferred.width(), static_cast<int>(available.width() * ScreenShare)),
                 std::min(Preferred.height(), static_cast<int>(available.height() * ScreenShare)));
}

void ProgressWindow::buildCharts() {
    const auto& points = m_model.points();
    auto* score = series(QStringLiteral("スコア"), ScoreColour);
    auto* speed = series(QStringLiteral("速度（打/秒）"), SpeedColour);
    auto* accuracy = series(QStringLiteral("正確率（%）"), AccuracyColour);
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
    // A single round still gets a readable mark, not a line of no length.
    for (QLineSeries* s : {score, speed, accuracy})
        s->setPointsVisible(points.size() < 40);
    const ProgressModel::RoundAxis rounds = m_model.roundAxis();

    auto* chart = new QChart;
    tighten(chart);
    chart->setBackgroundBrush(ChartBackground);
    chart->setTitle(QStringLiteral("スコアと速度（直近 %1 回）").arg(points.size()));
    chart->addSeries(score);
    chart->addSeries(speed);
    auto* roundAxis = roundsAxis(rounds);
    chart->addAxis(roundAxis, Qt::AlignBottom);
    auto* scoreAxis =
        axis(QStringLiteral("スコア"), lowScore, std::max(highScore, lowScore + 100), ScoreColour);
    scoreAxis->applyNiceNumbers();
    scoreAxis->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(scoreAxis, Qt::AlignLeft);
    auto* speedAxis = axis(QStringLiteral("打/秒"), 0, std::max(1.0, highSpeed * 1.1), SpeedColour);
    speedAxis->applyNiceNumbers();
    chart->addAxis(speedAxis, Qt::AlignRight);
    score->attachAxis(roundAxis);
    score->attachAxis(scoreAxis);
    speed->attachAxis(roundAxis);
    speed->attachAxis(speedAxis);
    scoreChart = new QChartView(chart, content);
    scoreChart->setObjectName(QStringLiteral("scoreChart"));
    scoreChart->setRenderHint(QPainter::Antialiasing);
    scoreChart->setMinimumHeight(190);
    scoreChart->setAccessibleName(chart->title());
    scoreChart->setAccessibleDescription(m_model.summary());

    auto* accuracyPlot = new QChart;
    tighten(accuracyPlot);
    accuracyPlot->setBackgroundBrush(ChartBackground);
    accuracyPlot->setTitle(QStringLiteral("正確率"));
    accuracyPlot->addSeries(accuracy);
    auto* roundAxis2 = roundsAxis(rounds);
    accuracyPlot->addAxis(roundAxis2, Qt::AlignBottom);
    auto* percent = axis(QStringLiteral("%"), std::max(0.0, std::floor(lowAccuracy / 10) * 10 - 10),
                         100, AccuracyColour);
    percent->setTickCount(static_cast<int>((100 - percent->min()) / 10) + 1); // every 10 %
    percent->setLabelFormat(QStringLiteral("%d"));
    accuracyPlot->addAxis(percent, Qt::AlignLeft);
    accuracy->attachAxis(roundAxis2);
    accuracy->attachAxis(percent);
    accuracyPlot->legend()->hide();
    accuracyChart = new QChartView(accuracyPlot, content);
    accuracyChart->setObjectName(QStringLiteral("accuracyChart"));
    accuracyChart->setRenderHint(QPainter::Antialiasing);
    accuracyChart->setMinimumHeight(130);
    accuracyChart->setAccessibleName(
        QStringLiteral("正確率のグラフ（直近 %1 回）").arg(points.size()));
    accuracyChart->setAccessibleDescription(m_model.summary());
}

QString ProgressWindow::legendText(GameOptions::Input input) const {
    return QStringLiteral("キーの色と数字：直近 %1 回のミス率（緑 0% → 黄 %2% → 赤 %3% 以上、"
                          "灰色と – は打つ場面なし）。キーに合わせると回数が出ます。")
        .arg(m_model.keyRounds(input))
        .arg(ProgressModel::RedRate * 50)
        .arg(ProgressModel::RedRate * 100);
}

void ProgressWindow::addInputSwitch() {
    using Input = GameOptions::Input;
    // A player who only ever typed one way sees that way and no switch.
    if (!(m_model.has(Input::Romaji) && m_model.has(Input::Kana))) {
        if (m_model.has(Input::Kana))
            showInput(Input::Kana);
        return;
    }
    inputSwitch = new QWidget(content);
    inputSwitch->setObjectName(QStringLiteral("inputSwitch"));
    inputSwitch->setAccessibleName(QStringLiteral("キーボードの表示"));
    auto* row = new QHBoxLayout(inputSwitch);
    row->setContentsMargins(0, 0, 0, 0);
    romajiView = new QRadioButton(QStringLiteral("ローマ字"), inputSwitch);
    romajiView->setObjectName(QStringLiteral("romajiView"));
    kanaView = new QRadioButton(QStringLiteral("かな"), inputSwitch);
    kanaView->setObjectName(QStringLiteral("kanaView"));
    row->addWidget(romajiView);
    row->addWidget(kanaView);
    // It opens on the way the player typed last.
    const Input first = m_model.lastInput();
    (first == Input::Kana ? kanaView : romajiView)->setChecked(true);
    showInput(first);
    connect(kanaView, &QRadioButton::toggled, this,
            [this](bool kana) { showInput(kana ? Input::Kana : Input::Romaji); });
}

void ProgressWindow::showInput(GameOptions::Input input) {
    keyboard->setInput(input);
    keyLegend->setText(legendText(input));
    weakKeyTrend->setTrend(m_model.weakKeyTrend(input));
    if (romajiView && kanaView)
        (input == GameOptions::Input::Kana ? kanaView : romajiView)->setChecked(true);
}

void ProgressWindow::addWeakKeyTrend(QBoxLayout* layout) {
    weakKeyTrend = new WeakKeyTrendChart(m_model.weakKeyTrend(), content);
    layout->addWidget(weakKeyTrend, 1);
}

int runProgressWindow() {
    const ProgressModel::Loaded history = ProgressModel::load(HistoryFile::Path);
    if (!history.read.error.isEmpty())
        std::fprintf(stderr, "kazamina-typing: %s: %s\n",
                     qUtf8Printable(TextFile::hostPath(HistoryFile::Path)),
                     qUtf8Printable(history.read.error));
    auto* window = new ProgressWindow(history);
    window->show();
    return QApplication::exec();
}
