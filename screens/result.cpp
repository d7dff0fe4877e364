#include "screens/result.h"

#include "core/ErrorReporter.h"
#include "core/FileError.h"
#include "core/TextFile.h"
#include "core/Twips.h"
#include "scores/HighScoreTable.h"
#include "scores/RatingLadder.h"
#include "screens/Fonts.h"
#include "screens/GameContext.h"
#include "screens/Navigator.h"
#include "screens/rankInput.h"
#include "sound/MediaCommands.h"
#include "stats/FiguresLine.h"
#include "stats/HistoryFile.h"

#include <QDateTime>

#include <QLabel>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {
constexpr int RightEdgeTwips = 9360;

QTimer* makeTimer(QObject* owner, int intervalMs) {
    auto* timer = new QTimer(owner);
    timer->setInterval(intervalMs);
    timer->setTimerType(Qt::PreciseTimer);
    return timer;
}
} // namespace

result::result(GameContext& context, QWidget* parent)
    : ScreenWindow(context, QStringLiteral("カザミナへのタイピング～リザルト～"), parent),
      m_countUp(context.state.FinalScore, context.state.GameLevel, context.state.MaxCombo) {
    PlayMedia(m_context.media, FanfarePath);
    moveToStoredPosition();

    Label2 = makeLabel(QStringLiteral("Label2"), QStringLiteral("Result"),
                       {Fonts::Vineta, 36, true, QColor(255, 255, 128), 480, 240});
    score = makeLabel(QStringLiteral("score"), QStringLiteral(" 点"),
                      {Fonts::Gothic, 36, true, Qt::white, 0, 1440});
    Levv = makeLabel(QStringLiteral("Levv"), QStringLiteral("LEVEL："),
                     {Fonts::Gothic, 20, false, QColor(128, 255, 255), 0, 2520});
    Mcombo = makeLabel(QStringLiteral("Mcombo"), QStringLiteral("MAX  COMBO"),
                       {Fonts::Gothic, 20, false, QColor(255, 192, 128), 0, 3240});
    hyouka = makeLabel(QStringLiteral("hyouka"), QString(),
                       {Fonts::Gothic, 28, true, QColor(255, 255, 0), 0, 4080});
    for (QLabel* label : {score, Levv, Mcombo, hyouka}) {
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        setRightCaption(label, label->text());
    }
    figuresLine = makeLabel(QStringLiteral("figuresLine"), QString(),
                            {Fonts::Gothic, 11, false, QColor(224, 224, 224), 0, 4920});
    figuresLine->setAccessibleDescription(QStringLiteral("成績"));
    figuresLine->hide();
    Levv->hide();
    Mcombo->hide();
    hyouka->hide();
    score->show();

    Timer1 = makeTimer(this, 1);
    Timer2 = makeTimer(this, 50);
    Timer3 = makeTimer(this, 10);
    Timer5 = makeTimer(this, 1000);
    connect(Timer1, &QTimer::timeout, this, &result::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &result::Timer2_Timer);
    connect(Timer3, &QTimer::timeout, this, &result::Timer3_Timer);
    connect(Timer5, &QTimer::timeout, this, &result::Timer5_Timer);

    m_context.state.NewRank = 0;
    saveToHistory();
    Timer1->start();
}

void result::setRightCaption(QLabel* label, const QString& text) {
    setCaption(label, text);
    label->move(Twips::toPixels(RightEdgeTwips) - label->width(), label->y());
}

void result::Timer1_Timer() {
    const bool done = m_countUp.scoreTick();
    setRightCaption(score, m_countUp.scoreCaption());
    if (done) {
        Levv->show();
        Timer1->stop();
        Timer2->start();
    }
}

void result::Timer2_Timer() {
    const bool done = m_countUp.levelTick();
    setRightCaption(Levv, m_countUp.levelCaption());
    if (done) {
        Mcombo->show();
        Timer2->stop();
        Timer3->start();
    }
}

void result::Timer3_Timer() {
    const bool done = m_countUp.comboTick();
    setRightCaption(Mcombo, m_countUp.comboCaption());
    if (done) {
        hyouka->show();
        Timer3->stop();
        Timer5->start();
    }
}

void result::Timer5_Timer() {
    ++tickCount;
    if (!rated) {
        for (const RatingLadder::Row& row : RatingLadder::rowsFor(m_context.state.FinalScore)) {
            setRightCaption(hyouka, row.caption);
            if (row.widen) {
                const int wider = hyouka->width() + Twips::toPixels(RatingLadder::WidenTwips);
                hyouka->resize(wider, hyouka->height());
                hyouka->move(Twips::toPixels(RightEdgeTwips) - wider, hyouka->y());
            }
        }
        rated = true;
        showFiguresLine();
    }
    if (!tenmi())
        return;
    storePosition();
    if (tickCount >= 4)
        leave();
}

void result::saveToHistory() {
    // A plain append without a sync, so the count-up starts on time: a killed game keeps the
    // line, and a power cut can only tear the newest one, which the history passes over.
    const HistoryRecord record =
        HistoryRecord::of(m_context.state.FinalScore, m_context.state.GameLevel,
                          m_context.state.MaxCombo, m_context.state.figures, m_context.options,
                          HistoryRecord::Kind::Round, QDateTime::currentDateTime());
    const QString reason = HistoryFile::append(record);
    m_historySaved = reason.isEmpty();
    if (!m_historySaved)
        std::fprintf(stderr, "kazamina-typing: %s: 記録を保存できませんでした: %s\n",
                     qUtf8Printable(TextFile::hostPath(HistoryFile::Path)), qUtf8Printable(reason));
}

void result::showFiguresLine() {
    setCaption(figuresLine, FiguresLine::text(m_context.state.figures, m_historySaved));
    // Shrinks to the window's width, in the free band under the rating.
    const int margin = Twips::toPixels(120);
    QFont font = figuresLine->font();
    while (figuresLine->width() > width() - 2 * margin && font.pointSizeF() > 6) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        figuresLine->setFont(font);
        figuresLine->adjustSize();
    }
    const int x = std::max(margin, Twips::toPixels(RightEdgeTwips) - figuresLine->width());
    const int bandTop = hyouka->geometry().bottom() + 1;
    const int y = bandTop + std::max(0, (height() - bandTop - figuresLine->height()) / 2);
    figuresLine->move(x, std::min(y, height() - figuresLine->height()));
    figuresLine->show();
}

bool result::tenmi() {
    try {
        const QStringList lines = HighScoreTable::readLines(HighScoreTable::ScorePath);
        m_rankCheck.tenmi(lines, static_cast<double>(m_countUp.ShownScore),
                          m_context.state.NewRank);
        return true;
    } catch (const FileError& e) {
        // The message box runs an event loop of its own: no tick may come in behind it.
        stopTimers();
        m_context.errors.fatal(e.message());
        return false;
    }
}

void result::leave() {
    Timer5->stop();
    if (m_context.state.NewRank > 0) {
        // Name entry closes this screen and opens the menu however it ends. The window must not
        // be deleted inside the dialog's own event loop while this handler is still running, so
        // it is deleted from here, once exec() has returned.
        setAttribute(Qt::WA_DeleteOnClose, false);
        auto* entry = new rankInput(m_context, this);
        if (entry->ready())
            entry->exec();
        if (m_unloaded)
            deleteLater();
        return;
    }
    m_context.navigator.show(Screen::Menu);
    close();
}

void result::stopTimers() {
    Timer1->stop();
    Timer2->stop();
    Timer3->stop();
    Timer5->stop();
}

void result::unload() {
    m_unloaded = true;
    stopTimers();
    CloseMedia(m_context.media, FanfarePath);
}
