#include "screens/Maingame.h"

#include "core/ErrorReporter.h"
#include "core/FileError.h"
#include "core/MonotonicClock.h"
#include "core/RandomSource.h"
#include "core/Twips.h"
#include "core/TypedText.h"
#include "phrases/PhrasePack.h"
#include "screens/Fonts.h"
#include "screens/GameContext.h"
#include "screens/Navigator.h"
#include "screens/ScreenAccessible.h"
#include "screens/ShapeWidget.h"
#include "sound/MediaCommands.h"
#include "stats/PracticeWeights.h"
#include "typing/KanaLayout.h"
#include "typing/RomajiTable.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

const QColor DarkBlue(0, 0, 192);
const QColor Yellow(255, 255, 0);
const QColor Red(255, 0, 0);

QColor lampColour(RoundJudge::LampColour colour) {
    switch (colour) {
    case RoundJudge::LampColour::Yellow:
        return Yellow;
    case RoundJudge::LampColour::Red:
        return Red;
    case RoundJudge::LampColour::DarkBlue:
        break;
    }
    return DarkBlue;
}

QString timeLeftName(int lampsLeft) {
    return QStringLiteral("残り時間 %1/%2").arg(lampsLeft).arg(RoundJudge::LampCount);
}

} // namespace

Maingame::Maingame(GameContext& context, QWidget* parent)
    : ScreenWindow(context, QStringLiteral("カザミナへのタイピング～カザミナへの道～"), parent),
      m_judge(context.state, context.variants, context.random, context.media) {
    // Romaji is typed straight into the window: a Japanese input method left switched on
    // must not turn the keys into kana, and no control may take the keyboard away.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setFocusPolicy(Qt::StrongFocus);
    buildControls();
    buildTimers();

    m_context.random.reseed();
    m_context.random.reseed();
    m_musicChoice = m_context.random.draw(0, 6);
    m_musicPath = trackPath(m_musicChoice);
    moveToStoredPosition();
    m_judge.resetResults();
    show();
    m_judge.resetRound();
    m_judge.setAcceptBothSpellings(m_context.options.acceptBothSpellings());
    const bool kana = m_context.options.input == GameOptions::Input::Kana;
    m_judge.setKanaInput(kana);
    if (kana)
        Q->setAccessibleDescription(QStringLiteral("かな"));
    try {
        Text1->setPlainText(m_context.roundLoader.load(m_context.variants));
    } catch (const FileError& e) {
        m_context.errors.fatal(e.message());
        return;
    }
    std::shared_ptr<const PhrasePack> pack = PhrasePack::loadForRound(m_context.errors);
    if (pack && kana && !RoundJudge::kanaTypable(*pack, m_context.variants)) {
        m_context.errors.warn(QStringLiteral("%1 にはかな入力で打てるフレーズがありません。"
                                             "英数字や記号のないよみを書いてください。"
                                             "このラウンドは内蔵のフレーズで遊びます。")
                                  .arg(PhrasePack::DefaultPath));
        pack.reset();
    }
    if (m_context.options.weakKeys) {
        const std::vector<char32_t> weak = PracticeWeights::fromHistoryFile().weakCharacters();
        m_judge.usePhraseWeights(pack ? pack->weights(m_context.variants, weak, kana)
                                      : PhraseCatalogue::weights(m_context.variants, weak, kana));
    }
    m_judge.usePack(std::move(pack));
    switch (m_context.options.judging) {
    case GameOptions::Judging::Ime:
        m_judge.judgeByReading(RomajiTable::builtIn(), false);
        break;
    case GameOptions::Judging::Custom:
        m_judge.judgeByReading(RomajiTable::loadForRound(m_context.errors), true,
                               [this](const QString& message) { m_context.errors.warn(message); });
        break;
    case GameOptions::Judging::Exact:
    case GameOptions::Judging::Both:
        break;
    }
    m_judge.MonSel();
    m_judge.takeTarget();
    render(); // puts the first phrase into the hidden mon and Q and centres them
    m_loaded = true;
    countt->start();
    rmize->start();
    activateWindow();
    setFocus();
}

std::string Maingame::trackPath(int musicChoice) {
    switch (musicChoice % 3) {
    case 0:
        return "music\\eine.mp3";
    case 1:
        return "music\\ifudoudou.mp3";
    default:
        return "music\\entertainer.mp3";
    }
}

void Maingame::buildControls() {
    countm = makeLabel(QStringLiteral("countm"), QStringLiteral("Get Set"),
                       {Fonts::Gothic, 72, true, Red, 2580, 1965});
    mon = makeLabel(QStringLiteral("mon"), QString(),
                    {Fonts::Gothic, 14.25, true, Qt::white, 2445, 780});
    mon->hide();
    Q = makeLabel(QStringLiteral("Q"), QString(), {Fonts::Gothic, 12, true, Qt::white, 2445, 1365});
    // The labels' texts are their accessible names; the descriptions say what each one is.
    mon->setAccessibleDescription(QStringLiteral("フレーズ"));
    Q->setAccessibleDescription(QStringLiteral("ローマ字"));
    Q->hide();
    combon = makeLabel(QStringLiteral("combon"), m_judge.comboCaption(),
                       {Fonts::Vineta, 14.25, true, Yellow, 1485, 4080});
    combon->hide();
    score = makeLabel(QStringLiteral("score"), QStringLiteral("SCORE：0"),
                      {Fonts::Gothic, 14.25, false, QColor(255, 255, 128), 90, 4845});
    Label1 = makeLabel(QStringLiteral("Label1"), QStringLiteral("TIME"),
                       {Fonts::Gothic, 14.25, false, QColor(0, 255, 0), 2753, 4830});
    // A fixed box, but never narrower than its caption: the stand-in face is wider than the
    // original and would clip the E.
    Label1->resize(std::max(Twips::toPixels(615), Label1->width()), Twips::toPixels(285));

    Shape1 = new ShapeWidget(ShapeWidget::Kind::RoundedRectangle, QColor(0, 255, 255), 3458, 4665,
                             3810, 585, stage());
    Shape1->setObjectName(QStringLiteral("Shape1"));
    // The frame speaks for the five lamps: one object that says how much time is left.
    Shape1->setAccessibleName(timeLeftName(RoundJudge::LampCount));
    ShapeWidget** lamps[] = {&T1, &T2, &T3, &T4, &T5};
    for (int i = 0; i < RoundJudge::LampCount; ++i) {
        *lamps[i] = new ShapeWidget(ShapeWidget::Kind::Circle, DarkBlue, 3473 + 750 * i, 4680, 795,
                                    570, stage());
        (*lamps[i])->setObjectName(QStringLiteral("T%1").arg(i + 1));
        (*lamps[i])->setAccessibleName(QStringLiteral("時間ランプ"));
        ScreenAccessible::hide(*lamps[i]);
    }

    Lv = makeLabel(QStringLiteral("Lv"), QStringLiteral("LEVEL：1"),
                   {Fonts::Gothic, 14.25, false, QColor(255, 128, 0), 7560, 4800});

    Label2 = new QLabel(QStringLiteral("Label2"), stage());
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::PlainText);
    Label2->setGeometry(Twips::toPixels(255), Twips::toPixels(390), Twips::toPixels(2190),
                        Twips::toPixels(990));
    Label2->hide();

    Text1 = new QPlainTextEdit(QStringLiteral("設定読み込み"), stage());
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(Twips::toPixels(7380), Twips::toPixels(2310), Twips::toPixels(2220),
                       Twips::toPixels(1170));
    Text1->setFocusPolicy(Qt::NoFocus);
    Text1->setEnabled(false);
    Text1->hide();
}

void Maingame::buildTimers() {
    auto makeTimer = [this](const char* name, int intervalMs, void (Maingame::*tick)()) {
        auto* timer = new QTimer(this);
        timer->setObjectName(QString::fromLatin1(name));
        timer->setInterval(intervalMs);
        connect(timer, &QTimer::timeout, this, tick);
        return timer;
    };
    countt = makeTimer("countt", 1000, &Maingame::countt_Timer);
    GT = makeTimer("GT", RoundJudge::FirstInterval, &Maingame::GT_Timer);
    // Events at 1 to 5 ms would come late or not at all at the coarse default.
    GT->setTimerType(Qt::PreciseTimer);
    Endwait = makeTimer("Endwait", 1000, &Maingame::Endwait_Timer);
    Timer1 = makeTimer("Timer1", 100, &Maingame::Timer1_Timer);
    rmize = makeTimer("rmize", 100, &Maingame::rmize_Timer);
}

void Maingame::countt_Timer() {
    const bool playBegins = m_judge.countdownTick();
    setCaption(countm, QString::number(m_judge.countdown()));
    if (!playBegins)
        return;
    countt->stop();
    countm->hide();
    mon->show();
    Q->show();
    m_gameClock.start(m_judge.intervalMs(), m_context.clock.nowNs());
    m_context.state.figures.playBegins(m_context.clock.nowNs());
    GT->start(m_judge.intervalMs());
    Timer1->start();
}

void Maingame::GT_Timer() {
    runDueTicks();
    render();
}

void Maingame::runDueTicks() {
    const int64_t due = m_gameClock.dueTicks(m_context.clock.nowNs());
    for (int64_t i = 0; i < due && !m_judge.ended(); ++i) {
        if (m_judge.gameTick())
            finishRound();
    }
    // Once the round is over the remaining ticks would change nothing that can be seen.
}

void Maingame::finishRound() {
    m_context.state.figures.playEnds(m_context.clock.nowNs());
    storePosition();
    setLabelColor(countm, QColor(255, 192, 192));
    setCaption(countm, QStringLiteral("終了"));
    countm->show();
    Endwait->start();
}

void Maingame::Endwait_Timer() {
    if (!m_judge.endWaitTick())
        return;
    Endwait->stop();
    m_context.navigator.show(Screen::Result);
    close();
}

void Maingame::Timer1_Timer() {
    PollMusic(m_context.media, m_musicPath);
}

void Maingame::rmize_Timer() {
    m_context.random.reseed();
}

void Maingame::keyPressEvent(QKeyEvent* event) {
    // In kana input a key with a kana is judged by its position whatever it typed; the others
    // are judged by what they typed, as in romaji.
    const QChar kana = m_judge.kanaInput() ? KanaLayout::kanaOf(event) : QChar();
    const QString text = kana.isNull() ? TypedText::of(event) : QString(kana);
    if (text.isEmpty()) {
        event->ignore();
        return;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        i += length - 1;
        if (!m_judge.playing())
            continue;
        // Ticks already due come first: a phrase finished after its time ran out is too late.
        runDueTicks();
        m_judge.keyPress(character, m_context.clock.nowNs());
        followInterval();
    }
    render();
    event->accept();
}

bool Maingame::focusNextPrevChild(bool) {
    return false; // Tab is a character to be judged, not a move between controls
}

void Maingame::followInterval() {
    if (!GT->isActive() || m_judge.intervalMs() == m_gameClock.intervalMs())
        return;
    m_gameClock.setInterval(m_judge.intervalMs(), m_context.clock.nowNs());
    GT->setInterval(m_judge.intervalMs());
}

void Maingame::unload() {
    for (QTimer* timer : {countt, GT, Endwait, Timer1, rmize})
        timer->stop();
    CloseMedia(m_context.media, m_musicPath);
}

void Maingame::centre(QLabel* label) {
    // Half the window's outer width, frame included, minus half the label's width.
    label->move(static_cast<int>(std::lround((outerWidth() - label->width()) / 2.0)), label->y());
}

void Maingame::render() {
    if (m_shownSerial != m_judge.phraseSerial()) {
        m_shownSerial = m_judge.phraseSerial();
        setCaption(mon, m_judge.monText());
        setCaption(Q, m_judge.romaji());
        centre(mon);
        centre(Q);
    } else if (Q->text() != m_judge.romaji()) {
        setCaption(Q, m_judge.romaji());
    }
    if (m_shownRed != m_judge.romajiRed()) {
        m_shownRed = m_judge.romajiRed();
        setLabelColor(Q, m_shownRed ? Red : Qt::white);
    }
    if (m_shownScore != m_judge.gameScore()) {
        m_shownScore = m_judge.gameScore();
        setCaption(score, QStringLiteral("SCORE：%1").arg(m_shownScore));
    }
    if (combon->text() != m_judge.comboCaption())
        setCaption(combon, m_judge.comboCaption());
    if (combon->isHidden() == m_judge.comboVisible())
        combon->setVisible(m_judge.comboVisible());
    if (m_shownLevel != m_judge.level()) {
        m_shownLevel = m_judge.level();
        setCaption(Lv, QStringLiteral("LEVEL：%1").arg(m_shownLevel));
    }
    if (m_shownLamps != m_judge.lamps()) {
        ShapeWidget* lamps[] = {T1, T2, T3, T4, T5};
        for (int i = 0; i < RoundJudge::LampCount; ++i) {
            const RoundJudge::Lamp& lamp = m_judge.lamps()[i];
            lamps[i]->setFill(lampColour(lamp.colour));
            lamps[i]->setVisible(lamp.visible);
        }
        m_shownLamps = m_judge.lamps();
        const auto lit = std::count_if(m_shownLamps.begin(), m_shownLamps.end(),
                                       [](const RoundJudge::Lamp& lamp) { return lamp.visible; });
        Shape1->setAccessibleName(timeLeftName(static_cast<int>(lit)));
    }
    if (!m_judge.typed().isEmpty() && Label2->text() != m_judge.typed())
        Label2->setText(m_judge.typed());
}
