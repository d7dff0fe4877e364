#include "screens/Training.h"

#include "core/MonotonicClock.h"
#include "core/RandomSource.h"
#include "core/TextFile.h"
#include "core/TypedText.h"
#include "screens/Fonts.h"
#include "screens/GameContext.h"
#include "screens/Navigator.h"
#include "sound/MediaCommands.h"
#include "stats/HistoryFile.h"
#include "stats/PracticeWeights.h"
#include "typing/KanaLayout.h"

#include <QDateTime>

#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

const QString characters =
    QStringLiteral("abcdefghijklmnopqrstuvwxyz1234567890!?-,.;:ABCDEFGHIJKLMNOPQRSTUVWXYZ");

} // namespace

Training::Training(GameContext& context, QWidget* parent)
    : ScreenWindow(context, QStringLiteral("カザミナへのタイピング～とれぇにんぐ～"), parent) {
    setObjectName(QStringLiteral("Training"));
    // The drill compares characters, never composed text.
    setAttribute(Qt::WA_InputMethodEnabled, false);

    Q = makeLabel(QStringLiteral("Q"), QStringLiteral("A"),
                  LabelStyle{Fonts::Gothic, 99.75, false, Qt::white, 4380, 1335});
    Q->hide();
    countm = makeLabel(QStringLiteral("countm"), QStringLiteral("Get Set"),
                       LabelStyle{Fonts::Arial, 72, true, QColor(255, 0, 0), 2355, 1860});
    Label1 = makeLabel(QStringLiteral("Label1"), QStringLiteral("ESCで終了さもないとエンドレス"),
                       LabelStyle{Fonts::Gothic, 9, true, QColor(255, 255, 0), 0, 0});

    countt = new QTimer(this);
    countt->setInterval(1000);
    connect(countt, &QTimer::timeout, this, &Training::countt_Timer);
    Timer1 = new QTimer(this);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &Training::Timer1_Timer);

    m_kanaInput = m_context.options.input == GameOptions::Input::Kana;
    if (m_context.options.weakKeys) {
        std::vector<char32_t> all;
        const int count = m_kanaInput ? kanaCount() : CharacterCount;
        for (int number = 1; number <= count; ++number)
            all.push_back(RoundFigures::codePoint(m_kanaInput ? kana(number) : character(number)));
        m_chances = PracticeWeights::fromHistoryFile().chances(all);
    }

    moveToStoredPosition();
    m_countdown = 4;
    drawCharacter();
    countt->start();
}

QString Training::character(int number) {
    return number >= 1 && number <= CharacterCount ? characters.mid(number - 1, 1) : QString();
}

int Training::kanaCount() {
    return static_cast<int>(KanaLayout::allKana().size());
}

QString Training::kana(int number) {
    return number >= 1 && number <= kanaCount() ? KanaLayout::allKana().mid(number - 1, 1)
                                                : QString();
}

void Training::drawCharacter() {
    m_context.random.reseed();
    const int count = m_kanaInput ? kanaCount() : CharacterCount;
    m_number =
        m_chances.empty() ? m_context.random.draw(1, count) : m_context.random.pick(m_chances) + 1;
    if (m_kanaInput) {
        setCaption(Q, kana(m_number));
        return;
    }
    setCaption(Q, character(m_number));
}

void Training::countt_Timer() {
    --m_countdown;
    setCaption(countm, QString::number(m_countdown));
    if (m_countdown == 0) {
        countt->stop();
        countm->hide();
        Q->show();
        Timer1->start();
        m_figures.playBegins(m_context.clock.nowNs());
    }
}

void Training::Timer1_Timer() {
    PollMusic(m_context.media, Music);
}

void Training::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        // Back to the menu where it stood before the drill: this window stores no position.
        m_context.navigator.show(Screen::Menu);
        close();
        return;
    }
    if (m_countdown != 0)
        return;
    // In kana input a key with a kana is judged by its position whatever it typed.
    if (const QChar kana = m_kanaInput ? KanaLayout::kanaOf(event) : QChar(); !kana.isNull()) {
        judge(QString(kana));
        return;
    }
    // One judgement per character the key produced; keys that produce none are not judged.
    const QString text = TypedText::of(event);
    for (const QChar c : text)
        judge(QString(c));
}

void Training::judge(const QString& typed) {
    if (typed == Q->text()) {
        m_figures.rightKey(Q->text(), m_context.clock.nowNs());
        m_longestStreak = std::max(m_longestStreak, ++m_streak);
        setLabelColor(Q, Qt::white);
        drawCharacter();
        PlayMedia(m_context.media, "music\\ok.wav");
    } else {
        m_figures.wrongKey(Q->text());
        m_streak = 0;
        setLabelColor(Q, QColor(255, 0, 0));
        PlayMedia(m_context.media, "music\\miss.wav");
    }
}

void Training::unload() {
    CloseMedia(m_context.media, Music);
    saveToHistory();
}

void Training::saveToHistory() {
    if (m_figures.keys() == 0)
        return; // left during the countdown or without a key: nothing to learn from
    m_figures.playEnds(m_context.clock.nowNs());
    const HistoryRecord record =
        HistoryRecord::of(0, 1, m_longestStreak, m_figures, m_context.options,
                          HistoryRecord::Kind::Drill, QDateTime::currentDateTime());
    const QString reason = HistoryFile::append(record);
    if (!reason.isEmpty())
        std::fprintf(stderr, "kazamina-typing: %s: 記録を保存できませんでした: %s\n",
                     qUtf8Printable(TextFile::hostPath(HistoryFile::Path)), qUtf8Printable(reason));
}
