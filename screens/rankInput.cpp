#include "screens/rankInput.h"

#include "core/ErrorReporter.h"
#include "core/FileError.h"
#include "screens/Fonts.h"
#include "screens/GameContext.h"
#include "screens/Navigator.h"
#include "core/TextFile.h"
#include "core/Twips.h"
#include "scores/HighScoreTable.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

namespace {
QString oneLine(QString text) {
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    return text;
}
} // namespace

rankInput::rankInput(GameContext& context, QWidget* parent) : QDialog(parent), m_context(context) {
    setWindowTitle(QStringLiteral("ランキング入り!"));
    setFixedSize(Twips::toPixels(6570), Twips::toPixels(1485));

    QFont font(Fonts::Gothic);
    font.setPointSize(9);
    setFont(font);

    Label1 = new QLabel(QStringLiteral("おめでとうございます!ランキングに入りました!"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(Twips::toPixels(120), Twips::toPixels(120), Twips::toPixels(6330),
                        Twips::toPixels(330));
    Label2 = new QLabel(QStringLiteral("名前"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(Twips::toPixels(120), Twips::toPixels(660), Twips::toPixels(600),
                        Twips::toPixels(360));

    inp = new QLineEdit(this);
    inp->setObjectName(QStringLiteral("inp"));
    inp->setGeometry(Twips::toPixels(780), Twips::toPixels(630), Twips::toPixels(4200),
                     Twips::toPixels(420));
    // Names are typed in Japanese: the box takes the input method's composed text.
    inp->setAttribute(Qt::WA_InputMethodEnabled, true);
    // A name may be as long as the longest line the table files may hold, so that it can
    // always be read back.
    inp->setMaxLength(static_cast<int>(TextFile::MaxLineChars));
    // A pasted name can bring line breaks along, and a CR written into the name file would
    // push every name below it one place away from its score: the box keeps one line.
    connect(inp, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
            return;
        const qsizetype cursor = oneLine(text.left(inp->cursorPosition())).size();
        inp->setText(oneLine(text));
        inp->setCursorPosition(static_cast<int>(cursor));
    });
    inp->installEventFilter(this);
    Label2->setBuddy(inp); // screen readers name the box after its prompt, 名前

    Command1 = new QPushButton(QStringLiteral("登録"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(Twips::toPixels(5160), Twips::toPixels(600), Twips::toPixels(1290),
                          Twips::toPixels(480));
    // Enter is handled here for inp and the button alike; a default button would register a
    // second time.
    Command1->setAutoDefault(false);
    Command1->setDefault(false);
    Command1->installEventFilter(this);
    connect(Command1, &QPushButton::clicked, this, &rankInput::Command1_Click);

    inp->setText(PresetName);
    inp->setFocus();

    // Fail before the player types, not after: both files must be there and readable.
    try {
        HighScoreTable::load();
        m_ready = true;
    } catch (const FileError& e) {
        m_context.errors.fatal(e.message());
    }
}

bool rankInput::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == inp || watched == Command1) && event->type() == QEvent::KeyPress) {
        const auto* press = static_cast<QKeyEvent*>(event);
        const int key = press->key();
        // Ctrl+M types character 13, the same as Enter.
        const bool ctrlM = key == Qt::Key_M && press->modifiers() == Qt::ControlModifier;
        if (key == Qt::Key_Return || key == Qt::Key_Enter || ctrlM ||
            press->text() == QLatin1String("\r")) {
            Command1_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void rankInput::Command1_Click() {
    // A click right behind Enter, or Enter's key repeat, must not register the name again.
    if (m_done)
        return;
    m_done = true;
    try {
        const int place = HighScoreTable::registerEntry(m_context.state.FinalScore, inp->text());
        m_context.state.NewRank = static_cast<int16_t>(place);
    } catch (const FileError& e) {
        m_context.errors.fatal(e.message());
        return;
    }
    leave(QDialog::Accepted);
}

void rankInput::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!m_done) {
        m_done = true;
        leave(QDialog::Rejected);
    }
}

void rankInput::leave(int code) {
    done(code);
    if (QWidget* owner = parentWidget())
        owner->close();
    m_context.navigator.show(Screen::Menu);
}
