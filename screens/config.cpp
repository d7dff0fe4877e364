#include "screens/config.h"

#include "core/ErrorReporter.h"
#include "core/FileError.h"
#include "core/TextFile.h"
#include "core/Twips.h"
#include "screens/Fonts.h"
#include "screens/GameContext.h"
#include "settings/OptionsFile.h"
#include "settings/SettingsFile.h"

#include <QCheckBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTimer>

namespace {

// Where each group's frame stands: its name, column and row (groups in file-line order).
struct FramePlace {
    const char* name;
    int column;
    int row;
};

constexpr std::array<FramePlace, SpellingGroups::GroupCount> framePlaces{{
    {"Frame4", 0, 0},  // ちゃちゅちょ
    {"Frame3", 1, 0},  // じゃじゅじょ
    {"Frame2", 2, 0},  // しゃしゅしょ
    {"Frame6", 2, 1},  // ゃゅょ
    {"Frame7", 0, 2},  // つ
    {"Frame10", 1, 2}, // し
    {"Frame9", 2, 2},  // じ
    {"Frame11", 0, 3}, // ん
    {"Frame5", 0, 1},  // ぁぃぅぇぉ
    {"Frame8", 1, 1},  // ふ
}};

constexpr int ShiGroup = 5;

// Layout in pixels at the original size; px() turns them into the current size.
constexpr int Margin = 8;
constexpr int FrameWidth = 250;
constexpr int FrameHeight = 50;
constexpr int Gap = 8;
constexpr int OptionBLeft = 128;
constexpr int Rows = 4;
constexpr int ButtonWidth = 240;
constexpr int ButtonHeight = 28;
// What Text1 shows of the file at most.
constexpr qsizetype TextBoxLines = 40;
constexpr qsizetype TextBoxLineChars = 80;

// The sizes offered for every screen, in the order shown; 0 is the largest that fits.
struct ScaleChoice {
    const char* name;
    const char* caption;
    double scale;
};
constexpr std::array<ScaleChoice, 4> scaleChoices{{
    {"scale100", "100%", 1.0},
    {"scale150", "150%", 1.5},
    {"scale200", "200%", 2.0},
    {"scaleFit", "画面に合わせる", 0.0},
}};

int px(int pixels) {
    return Twips::toPixels(pixels * Twips::PerPixel);
}

} // namespace

config::config(GameContext& context, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_context(context) {
    setObjectName(QStringLiteral("config"));
    setWindowTitle(QStringLiteral("設定"));
    QFont face(Fonts::Gothic);
    face.setPointSizeF(Twips::points(9));
    setFont(face);

    buildFrames();

    const int width = px(2 * Margin + 3 * FrameWidth + 2 * Gap);
    const int buttonTop = px(Margin + Rows * (FrameHeight + Gap));
    Command2 = new QPushButton(QStringLiteral("閉じる"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry((width - px(ButtonWidth)) / 2, buttonTop, px(ButtonWidth),
                          px(ButtonHeight));
    // Not the dialog's default button, nor made one when the dialog shows: Enter presses it only
    // while it holds the focus (keyPressEvent), and does nothing while an option button does.
    Command2->setAutoDefault(false);
    Command2->setDefault(false);
    connect(Command2, &QPushButton::clicked, this, &config::Command2_Click);

    // Made after the frames, so it lies on top of the し frame's right end.
    Text1 = new QPlainTextEdit(QStringLiteral("Text1"), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAccessibleName(QStringLiteral("設定ファイル"));
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QRect shi = m_frames[ShiGroup]->geometry();
    Text1->setGeometry(shi.right() - px(64), shi.top() + px(12), px(60), shi.height() - px(16));
    // Only for show: nothing typed there would be kept, and Tab moves on instead of typing.
    Text1->setReadOnly(true);
    Text1->setTabChangesFocus(true);

    // The dialog grows at the bottom just enough for the groups below; nothing above it moves.
    const int judgingTop = buttonTop + px(ButtonHeight) + px(Gap);
    buildJudging(judgingTop, width);

    const int inputTop = FrameJudging->geometry().bottom() + 1 + px(Gap);
    const int inputHeight = buildInputFrame(inputTop, width - 2 * px(Margin));
    WeakKeys = new QCheckBox(QStringLiteral("苦手なキーを多めに出す"), this);
    WeakKeys->setObjectName(QStringLiteral("WeakKeys"));
    WeakKeys->adjustSize();
    WeakKeys->move(px(Margin), inputTop + inputHeight + px(Gap) / 2);

    const int scaleBottom = buildScaleGroup(WeakKeys->geometry().bottom() + 1 + px(Gap), width);
    setFixedSize(width, scaleBottom + px(Margin));

    orderTabs();
    // Enter or Space right away closes the dialog.
    Command2->setFocus();

    move(Twips::screenToPixels(m_context.state.WindowLeft),
         Twips::screenToPixels(m_context.state.WindowTop));

    Timer1 = new QTimer(this);
    Timer1->setInterval(10);
    connect(Timer1, &QTimer::timeout, this, &config::Timer1_Timer);

    load();
    if (m_loaded)
        Timer1->start();
}

void config::buildFrames() {
    const auto& groups = SpellingGroups::all();
    for (int g = 0; g < SpellingGroups::GroupCount; ++g) {
        const FramePlace& place = framePlaces[g];
        auto* frame = new QGroupBox(QString::fromUtf8(groups[g].caption), this);
        frame->setObjectName(QString::fromLatin1(place.name));
        frame->setGeometry(px(Margin + place.column * (FrameWidth + Gap)),
                           px(Margin + place.row * (FrameHeight + Gap)), px(FrameWidth),
                           px(FrameHeight));
        for (int choice = 0; choice < 2; ++choice) {
            auto* button = new QRadioButton(groups[g].optionCaption(choice), frame);
            button->setObjectName(QString::fromLatin1(groups[g].optionNames[choice]));
            button->adjustSize();
            button->move(px(choice == 0 ? 10 : OptionBLeft),
                         px(FrameHeight) - button->height() - px(6));
            m_options[g * 2 + choice] = button;
        }
        m_options[g * 2]->setChecked(true);
        m_frames[g] = frame;
    }
}

int config::buildScaleGroup(int top, int width) {
    m_scaleFrame = new QGroupBox(QStringLiteral("画面の大きさ（次に起動したときから）"), this);
    m_scaleFrame->setObjectName(QStringLiteral("scaleFrame"));
    m_scaleFrame->setGeometry(px(Margin), top, width - 2 * px(Margin), px(FrameHeight));
    const int step = (m_scaleFrame->width() - px(10)) / int(scaleChoices.size());
    for (std::size_t i = 0; i < scaleChoices.size(); ++i) {
        auto* button = new QRadioButton(QString::fromUtf8(scaleChoices[i].caption), m_scaleFrame);
        button->setObjectName(QString::fromLatin1(scaleChoices[i].name));
        button->adjustSize();
        button->move(px(10) + int(i) * step, px(FrameHeight) - button->height() - px(6));
        m_scaleButtons[i] = button;
    }
    showScale(m_context.options.scale);
    return m_scaleFrame->geometry().bottom() + 1;
}

void config::showScale(double scale) {
    for (std::size_t i = 0; i < scaleChoices.size(); ++i)
        if (scaleChoices[i].scale == scale)
            m_scaleButtons[i]->setChecked(true);
}

double config::chosenScale() const {
    for (std::size_t i = 0; i < scaleChoices.size(); ++i)
        if (m_scaleButtons[i]->isChecked())
            return scaleChoices[i].scale;
    return m_context.options.scale;
}

void config::orderTabs() {
    // As the frames stand on screen, row by row and left to right, then what lies below them.
    QList<QWidget*> chain;
    for (int row = 0; row < Rows; ++row)
        for (int column = 0; column < 3; ++column)
            for (int g = 0; g < SpellingGroups::GroupCount; ++g)
                if (framePlaces[g].row == row && framePlaces[g].column == column) {
                    chain << m_options[g * 2] << m_options[g * 2 + 1];
                    if (g == ShiGroup)
                        chain << Text1; // it stands on the し frame's right end
                }
    for (QRadioButton* button : m_judging)
        chain << button;
    chain << inputRomaji << inputKana << WeakKeys;
    for (QRadioButton* button : m_scaleButtons)
        chain << button;
    chain << Command2;
    for (qsizetype i = 0; i + 1 < chain.size(); ++i)
        setTabOrder(chain[i], chain[i + 1]);
}

// 「綴りの判定」: one choice of four, in the order of GameOptions::Judging.
void config::buildJudging(int top, int width) {
    FrameJudging = new QGroupBox(QStringLiteral("綴りの判定"), this);
    FrameJudging->setObjectName(QStringLiteral("FrameJudging"));
    static const char* const captions[] = {"設定した綴りだけ", "どちらの綴りでも",
                                           "IMEで打てる綴りならすべて",
                                           "自分のローマ字表（system/romaji.tsv）"};
    static const char* const names[] = {"JudgeExact", "JudgeBoth", "JudgeIme", "JudgeCustom"};
    auto* grid = new QGridLayout(FrameJudging);
    for (int i = 0; i < JudgingCount; ++i) {
        auto* button = new QRadioButton(QString::fromUtf8(captions[i]), FrameJudging);
        button->setObjectName(QString::fromLatin1(names[i]));
        grid->addWidget(button, i / 2, i % 2);
        m_judging[static_cast<std::size_t>(i)] = button;
    }
    m_judging[0]->setChecked(true);
    FrameJudging->setGeometry(px(Margin), top, width - 2 * px(Margin),
                              FrameJudging->sizeHint().height());
    grid->activate(); // the buttons take their whole captions before the dialog shows
}

GameOptions::Judging config::judging() const {
    for (int i = 0; i < JudgingCount; ++i)
        if (m_judging[static_cast<std::size_t>(i)]->isChecked())
            return GameOptions::Judging(i);
    return GameOptions::Judging::Exact;
}

int config::buildInputFrame(int top, int width) {
    inputFrame = new QGroupBox(QStringLiteral("入力方式"), this);
    inputFrame->setObjectName(QStringLiteral("inputFrame"));
    inputFrame->setGeometry(px(Margin), top, width, px(FrameHeight));
    inputRomaji = new QRadioButton(QStringLiteral("ローマ字"), inputFrame);
    inputRomaji->setObjectName(QStringLiteral("inputRomaji"));
    inputKana = new QRadioButton(QStringLiteral("かな（JIS配列）"), inputFrame);
    inputKana->setObjectName(QStringLiteral("inputKana"));
    for (QRadioButton* button : {inputRomaji, inputKana})
        button->adjustSize();
    inputRomaji->move(px(10), px(FrameHeight) - inputRomaji->height() - px(6));
    inputKana->move(px(OptionBLeft), px(FrameHeight) - inputKana->height() - px(6));
    inputRomaji->setChecked(true);
    return px(FrameHeight);
}

GameOptions::Input config::chosenInput() const {
    return inputKana->isChecked() ? GameOptions::Input::Kana : GameOptions::Input::Romaji;
}

void config::load() {
    QStringList lines;
    try {
        lines = SettingsFile::readLines();
    } catch (const FileError& e) {
        m_context.errors.fatal(e.message());
        return;
    }
    SpellingSelection selection;
    selection.load(lines);
    showSelection(selection);
    const GameOptions stored = OptionsFile::load();
    judgingOption(stored.judging)->setChecked(true);
    (stored.input == GameOptions::Input::Kana ? inputKana : inputRomaji)->setChecked(true);
    WeakKeys->setChecked(stored.weakKeys);
    showScale(stored.scale);
    // The file's text as read: every line, the last one included, ends in a line break. The box
    // is narrow and only for show: laying out a long file there would freeze the dialog.
    QString text;
    for (qsizetype i = 0; i < lines.size() && i < TextBoxLines; ++i)
        text += TextFile::shortened(lines.at(i), TextBoxLineChars) + QLatin1Char('\n');
    Text1->setPlainText(text);
    m_loaded = true;
}

void config::showSelection(const SpellingSelection& selection) {
    for (int option = 1; option <= SpellingGroups::OptionCount; ++option)
        if (selection.isSelected(option))
            m_options[option - 1]->setChecked(true);
}

SpellingSelection config::selection() const {
    SpellingSelection selection;
    for (int g = 0; g < SpellingGroups::GroupCount; ++g)
        selection.setChoice(g, m_options[g * 2 + 1]->isChecked() ? 1 : 0);
    return selection;
}

void config::Timer1_Timer() {
    selection().applyTo(m_context.variants);
    m_context.options.judging = judging();
    m_context.options.weakKeys = WeakKeys->isChecked();
    m_context.options.input = chosenInput();
}

void config::Command2_Click() {
    const SpellingSelection chosen = selection();
    GameOptions options = m_context.options;
    options.judging = judging();
    options.weakKeys = WeakKeys->isChecked();
    options.input = chosenInput();
    options.scale = chosenScale();
    // Text1 shows what goes into the file; whatever the player typed there is dropped.
    Text1->setPlainText(
        chosen.fileText().split(QLatin1Char('\r'), Qt::SkipEmptyParts).join(QLatin1Char('\n')));
    try {
        SettingsFile::write(chosen);
        OptionsFile::save(options);
    } catch (const FileError& e) {
        m_context.errors.fatal(e.message());
        return;
    }
    chosen.applyTo(m_context.variants);
    m_context.options = options;
    storePosition();
    accept();
}

void config::storePosition() {
    m_context.state.WindowLeft = Twips::roundHalfEven(Twips::screenFromPixels(pos().x()));
    m_context.state.WindowTop = Twips::roundHalfEven(Twips::screenFromPixels(pos().y()));
}

void config::keyPressEvent(QKeyEvent* event) {
    // Only the close button and the close box end the dialog; Escape is not a third way out.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (focusWidget() == Command2)
            Command2->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
