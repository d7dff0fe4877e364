#include "screens/Menu.h"

#include "screens/Fonts.h"
#include "screens/GameContext.h"
#include "screens/Navigator.h"
#include "core/RandomSource.h"
#include "screens/config.h"
#include "sound/MediaCommands.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QStringList>
#include <QTimer>

namespace {

const QColor highlightRed(255, 0, 0);
// The highlight is only a colour on screen; screen readers hear this instead.
const QString selectedDescription = QStringLiteral("選択中");

LabelStyle entryStyle(int left, int top) {
    return LabelStyle{Fonts::Gothic, 48, false, Menu::buttonFace(), left, top};
}

} // namespace

Menu::Menu(GameContext& context, QWidget* parent)
    : ScreenWindow(context, QStringLiteral("カザミナへのタイピング～めにゅ～"), parent) {
    setObjectName(QStringLiteral("Menu"));
    tre = makeLabel(QStringLiteral("tre"), QStringLiteral("とれ～にんぐ"), entryStyle(225, 105));
    kazamina = makeLabel(QStringLiteral("kazamina"), QStringLiteral("カザミナへの道"),
                         entryStyle(1440, 1080));
    rank = makeLabel(QStringLiteral("rank"), QStringLiteral("ランキング"), entryStyle(3120, 2160));
    conf = makeLabel(QStringLiteral("conf"), QStringLiteral("設定"), entryStyle(6720, 3240));
    exitt = makeLabel(QStringLiteral("exitt"), QStringLiteral("終了"), entryStyle(7920, 4320));
    setu = makeLabel(QStringLiteral("setu"), QString(),
                     LabelStyle{Fonts::Gothic, 12, false, QColor(255, 128, 128), 120, 4920});

    Timer1 = new QTimer(this);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &Menu::Timer1_Timer);
    Timer1->start();

    // Three loops, each with one chance in three: draws 0..5 fold onto them.
    static const char* const tracks[] = {"music\\loop1.wav", "music\\loop2.wav",
                                         "music\\loop3.wav"};
    m_context.random.reseed();
    m_track = tracks[m_context.random.draw(0, 6) % 3];

    moveToStoredPosition();

    ProgramState& state = m_context.state;
    if (state.MenuShown) {
        paintHighlight();
    } else {
        state.MenuShown = true;
        state.MenuSelection = 1;
        setLabelColor(tre, highlightRed);
        tre->setAccessibleDescription(selectedDescription);
        setCaption(setu, description(1));
    }
}

QString Menu::description(int selection) {
    static const QStringList descriptions = {
        QStringLiteral("画面に出るアルファベットを打とう!"),
        QStringLiteral("限界を超えろ!時間切れになるまでにワードを打つのだ!"),
        QStringLiteral("あなたのランキングが見れます"),
        QStringLiteral("文字の設定はここからっ"),
        QStringLiteral("終了します"),
    };
    return selection >= 1 && selection <= EntryCount ? descriptions[selection - 1] : QString();
}

QColor Menu::buttonFace() {
    const QColor face = QApplication::palette().color(QPalette::Active, QPalette::Button);
    return face.lightness() >= 160 ? face : QColor(240, 240, 240);
}

QLabel* Menu::entry(int selection) const {
    const std::array<QLabel*, EntryCount> entries{tre, kazamina, rank, conf, exitt};
    return entries[selection - 1];
}

void Menu::paintHighlight() {
    // Up from the first entry and Down from the last wrap around the staircase.
    int16_t& selection = m_context.state.MenuSelection;
    if (selection > EntryCount)
        selection = 1;
    else if (selection < 1)
        selection = EntryCount;
    paint(selection);
}

void Menu::paint(int selection) {
    for (int s = 1; s <= EntryCount; ++s) {
        setLabelColor(entry(s), s == selection ? highlightRed : buttonFace());
        entry(s)->setAccessibleDescription(s == selection ? selectedDescription : QString());
    }
    setCaption(setu, description(selection));
}

void Menu::keyPressEvent(QKeyEvent* event) {
    // Every key stores the position, so a menu moved by the player hands over where it stands.
    storePosition();
    if (event->key() == Qt::Key_Down)
        ++m_context.state.MenuSelection;
    else if (event->key() == Qt::Key_Up)
        --m_context.state.MenuSelection;
    paintHighlight();
    if (event->key() == Qt::Key_Space)
        act();
}

void Menu::act() {
    switch (m_context.state.MenuSelection) {
    case 1:
        m_context.navigator.show(Screen::Training);
        close();
        break;
    case 2:
        m_context.navigator.show(Screen::Maingame);
        close();
        break;
    case 3:
        m_context.navigator.show(Screen::Ranking);
        close();
        break;
    case 4: {
        // Modal over the menu: the menu stays loaded and its music timer keeps running.
        config dialog(m_context, this);
        if (dialog.loaded())
            dialog.exec();
        break;
    }
    case 5:
        if (confirmExit())
            close();
        break;
    default:
        break;
    }
}

bool Menu::confirmExit() {
    QMessageBox box(QMessageBox::Question, QStringLiteral("終了のお知らせ"),
                    QStringLiteral("本当に終了しますか?"), QMessageBox::Ok | QMessageBox::Cancel,
                    this);
    box.setDefaultButton(QMessageBox::Ok);
    m_exitBox = &box;
    const int answer = box.exec();
    m_exitBox = nullptr;
    return answer == QMessageBox::Ok;
}

void Menu::Timer1_Timer() {
    PollMusic(m_context.media, m_track);
}

void Menu::unload() {
    CloseMedia(m_context.media, m_track);
}
