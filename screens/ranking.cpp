#include "screens/ranking.h"

#include "core/ErrorReporter.h"
#include "core/FileError.h"
#include "screens/Fonts.h"
#include "screens/GameContext.h"
#include "screens/Navigator.h"
#include "core/TextFile.h"
#include "scores/HighScoreTable.h"
#include "sound/MediaCommands.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

ranking::ranking(GameContext& context, QWidget* parent)
    : ScreenWindow(context, QStringLiteral("カザミナへのタイピング～らんきんぐ～"), parent) {
    moveToStoredPosition();
    setFocusPolicy(Qt::StrongFocus);

    static const char* const headings[] = {"1st", "2nd", "3rd", "4th", "5th"};
    static const QColor colors[] = {QColor(255, 215, 0), QColor(192, 192, 192),
                                    QColor(205, 127, 50), Qt::white, Qt::white};
    for (int i = 0; i < 5; ++i) {
        const int top = 600 + i * 900;
        Label[i] = makeLabel(QStringLiteral("Label%1").arg(i + 1), QString::fromLatin1(headings[i]),
                             {Fonts::Vineta, 28, true, colors[i], 960, top});
        ran[i] = makeLabel(QStringLiteral("ran%1").arg(i + 1), QString(),
                           {Fonts::Gothic, 24, false, Qt::white, 2880, top + 60});
    }

    Timer1 = new QTimer(this);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &ranking::Timer1_Timer);

    showTable();
    Timer1->start();
}

void ranking::showTable() {
    QStringList scores;
    QStringList names;
    try {
        scores = HighScoreTable::readLines(HighScoreTable::ScorePath);
        names = HighScoreTable::readLines(HighScoreTable::NamePath);
    } catch (const FileError& e) {
        m_context.errors.fatal(e.message());
        return;
    }
    // Shown as written: no conversion, no sorting. A place without a name line keeps the bare
    // score text.
    for (int i = 0; i < 5 && i < scores.size(); ++i)
        setCaption(ran[i], scores.at(i));
    for (int i = 0; i < 5 && i < names.size(); ++i)
        setCaption(ran[i],
                   names.at(i) + QStringLiteral("：") + scores.value(i) + QStringLiteral("点"));
}

void ranking::Timer1_Timer() {
    PollMusic(m_context.media, MusicPath);
}

void ranking::keyPressEvent(QKeyEvent* event) {
    event->accept();
    if (m_left)
        return;
    m_left = true;
    storePosition();
    close();
    m_context.navigator.show(Screen::Menu);
}

void ranking::unload() {
    Timer1->stop();
    CloseMedia(m_context.media, MusicPath);
}
