#include "screens/Title.h"

#include "screens/Fonts.h"
#include "screens/GameContext.h"
#include "screens/Navigator.h"
#include "core/RandomSource.h"
#include "sound/MediaCommands.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QStringList>
#include <QTimer>

namespace {

// How a romaji input method shows the two words while they are typed.
const QStringList firstWordFrames = {
    QStringLiteral("k"),
    QStringLiteral("か"),
    QStringLiteral("かz"),
    QStringLiteral("かざ"),
    QStringLiteral("かざm"),
    QStringLiteral("かざみ"),
    QStringLiteral("かざみn"),
    QStringLiteral("かざみな"),
    QStringLiteral("カザミナ"),
    QStringLiteral("カザミナh"),
    QStringLiteral("カザミナへ"),
    QStringLiteral("カザミナへn"),
    QStringLiteral("カザミナへの"),
};

const QStringList secondWordFrames = {
    QStringLiteral("t"),          QStringLiteral("た"),        QStringLiteral("たい"),
    QStringLiteral("たいp"),      QStringLiteral("たいぴ"),    QStringLiteral("たいぴn"),
    QStringLiteral("たいぴん"),   QStringLiteral("たいぴんg"), QStringLiteral("たいぴんぐ"),
    QStringLiteral("タイピング"),
};

QTimer* makeTimer(QObject* owner, int ms, bool enabled) {
    auto* timer = new QTimer(owner);
    timer->setInterval(ms);
    if (enabled)
        timer->start();
    return timer;
}

} // namespace

Title::Title(GameContext& context, QWidget* parent)
    : ScreenWindow(context, QStringLiteral("カザミナへのタイピング"), parent) {
    setObjectName(QStringLiteral("Title"));
    const LabelStyle word{Fonts::Gothic, 48, false, Qt::white, 0, 0};
    LabelStyle first = word;
    first.leftTwips = 1290;
    first.topTwips = 720;
    LabelStyle second = word;
    second.leftTwips = 4380;
    second.topTwips = 2130;
    l1 = makeLabel(QStringLiteral("l1"), QString(), first);
    l2 = makeLabel(QStringLiteral("l2"), QString(), second);
    brink = makeLabel(QStringLiteral("brink"), QString(),
                      LabelStyle{Fonts::Gothic, 15.75, true, QColor(128, 128, 128), 2520, 4305});
    brink->hide();

    T1 = makeTimer(this, 250, true);
    T2 = makeTimer(this, 250, false);
    Timer1 = makeTimer(this, 500, false);
    Timer2 = makeTimer(this, 100, false);
    connect(T1, &QTimer::timeout, this, &Title::T1_Timer);
    connect(T2, &QTimer::timeout, this, &Title::T2_Timer);
    connect(Timer1, &QTimer::timeout, this, &Title::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &Title::Timer2_Timer);

    centreOnScreen();

    m_context.random.reseed();
    m_prompt = m_context.random.draw(1, 5);
    setCaption(brink, promptText(m_prompt));
}

QString Title::promptText(int number) {
    static const QStringList prompts = {
        QStringLiteral("スペースキーを押すのだぁぁぁぁぁぁぁっ!"),
        QStringLiteral("すぺぇ～すきぃ～をおすのだぁ～っ"),
        QStringLiteral("スペースキーを押せ。さすれば道は開かれん"),
        QStringLiteral("Please push Space key!"),
        QStringLiteral("スペース押してぇ。スペース押してぇ。"),
    };
    return number >= 1 && number <= prompts.size() ? prompts[number - 1] : QString();
}

void Title::centreOnScreen() {
    // The only window that does not open where its predecessor stood: there is none.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

void Title::T1_Timer() {
    ++m_firstFrame;
    if (m_firstFrame <= firstWordFrames.size())
        setCaption(l1, firstWordFrames[m_firstFrame - 1]);
    if (m_firstFrame >= firstWordFrames.size()) {
        T1->stop();
        T2->start();
    }
}

void Title::T2_Timer() {
    ++m_secondFrame;
    if (m_secondFrame <= secondWordFrames.size())
        setCaption(l2, secondWordFrames[m_secondFrame - 1]);
    if (m_secondFrame >= secondWordFrames.size()) {
        T2->stop();
        finishAnimation();
    }
}

void Title::finishAnimation() {
    brink->show();
    Timer1->start();
    Timer2->start();
    m_finished = true;
}

void Title::Timer1_Timer() {
    m_blinkPhase = !m_blinkPhase;
    brink->setVisible(!m_blinkPhase);
}

void Title::Timer2_Timer() {
    PollMusic(m_context.media, Music);
}

void Title::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Space)
        return;
    if (!m_finished) {
        T1->stop();
        T2->stop();
        setCaption(l1, firstWordFrames.last());
        setCaption(l2, secondWordFrames.last());
        finishAnimation();
        return;
    }
    storePosition();
    m_context.navigator.show(Screen::Menu);
    close();
}

void Title::unload() {
    CloseMedia(m_context.media, Music);
}
