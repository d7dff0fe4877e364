#include "screens/KeyboardView.h"
#include "screens/ProgressWindow.h"
#include "screens/WeakKeyTrendChart.h"
#include "stats/HistoryFile.h"
#include "tests/support/TempWorkDir.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace {
using Input = GameOptions::Input;
using Tips = std::vector<std::pair<char32_t, QString>>;

HistoryRecord record(Input input, HistoryRecord::Kind kind, RoundFigures::KeyCounts keys,
                     RoundFigures::KeyCounts misses) {
    HistoryRecord r;
    r.time = QStringLiteral("2026-12-07T20:00:00+09:00");
    r.score = kind == HistoryRecord::Kind::Round ? 300 : 0;
    r.input = input;
    r.kind = kind;
    r.keysByKey = std::move(keys);
    r.missesByKey = std::move(misses);
    return r;
}

// The game's records of both inputs. A kana round records one kana per key pressed: が is か
// then ゛, ぁ is Shift with the あ key, 「 Shift with the ゜ key, ー the ¥ key.
const HistoryRecord Romaji =
    record(Input::Romaji, HistoryRecord::Kind::Round, {{U'a', 10}, {U's', 10}}, {{U's', 3}});
const HistoryRecord KanaRound =
    record(Input::Kana, HistoryRecord::Kind::Round,
           {{U'か', 6}, {U'゛', 2}, {U'あ', 4}, {U'ぁ', 2}, {U'「', 1}, {U'ー', 2}},
           {{U'か', 1}, {U'ぁ', 1}, {U'「', 1}});
const HistoryRecord KanaDrill =
    record(Input::Kana, HistoryRecord::Kind::Drill, {{U'か', 4}}, {{U'か', 2}});

void writeHistory(const TempWorkDir& dir, const std::vector<HistoryRecord>& records) {
    QByteArray bytes = HistoryFile::Header + '\n';
    for (const HistoryRecord& r : records)
        bytes += HistoryFile::formatLine(r) + '\n';
    dir.writeBytes("system/history.csv", bytes);
}

// The kana keys of KanaRound then KanaDrill, summed per physical key.
const Tips KanaTips = {
    {U'か', QStringLiteral("か：ミス 3 / 10 打（30.0%）　直近 2 回")},
    {U'あ', QStringLiteral("あ／ぁ：ミス 1 / 6 打（16.7%）　直近 2 回")},
    {U'゜', QStringLiteral("゜／「：ミス 1 / 1 打（100.0%）　直近 2 回")},
    {U'゛', QStringLiteral("゛：ミス 0 / 2 打（0.0%）　直近 2 回")},
    {U'ー', QStringLiteral("ー：ミス 0 / 2 打（0.0%）　直近 2 回")},
    {U'ぬ', QStringLiteral("ぬ：直近 2 回で打つ場面なし")},
    {U'ほ', QStringLiteral("ほ：直近 2 回で打つ場面なし")}, // ー is the ¥ key's alone
};

// Whether anything is drawn in the key's top left corner, where a JIS keyboard prints the
// shifted kana: the corner against the key's own fill at its left edge.
bool cornerInked(KeyboardView& view, char32_t key) {
    const QImage image = view.grab().toImage();
    const QRectF r = view.keyRect(key);
    const QColor fill =
        image.pixelColor(QPointF(r.left() + 0.06 * r.width(), r.center().y()).toPoint());
    for (double x = 0.1; x < 0.2; x += 0.02)
        for (double y = 0.1; y < 0.28; y += 0.02)
            if (image.pixelColor(
                    QPointF(r.left() + x * r.width(), r.top() + y * r.height()).toPoint()) != fill)
                return true;
    return false;
}

// Hovers each key and reads its accessible child: both give the key's figures, and in kana
// view the cap shows the key's kana.
void expectTips(ProgressWindow& window, const Tips& tips) {
    KeyboardView* keys = window.keyboard;
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(keys);
    ASSERT_NE(spoken, nullptr);
    const auto& shown = keys->shownKeys();
    ASSERT_EQ(spoken->childCount(), static_cast<int>(shown.size()));
    for (const auto& [key, tip] : tips) {
        SCOPED_TRACE(tip.toStdString());
        const QRectF r = keys->keyRect(key);
        ASSERT_FALSE(r.isEmpty());
        EXPECT_TRUE(keys->rect().contains(r.toRect()));
        const QPoint at = r.center().toPoint();
        EXPECT_EQ(keys->keyAt(at), key);
        QHelpEvent help(QEvent::ToolTip, at, keys->mapToGlobal(at));
        QCoreApplication::sendEvent(keys, &help);
        EXPECT_EQ(QToolTip::text(), tip);
        const auto index = std::find(shown.begin(), shown.end(), key) - shown.begin();
        EXPECT_EQ(spoken->child(static_cast<int>(index))->text(QAccessible::Name), tip);
        if (keys->input() == Input::Kana) {
            EXPECT_EQ(keys->capLabel(key), QString::fromUcs4(&key, 1));
        }
    }
    // The legend counts the rounds of the view's input, and 「苦手キーの推移」 names its keys.
    EXPECT_TRUE(window.keyLegend->text().contains(
        QStringLiteral("直近 %1 回").arg(window.model().keyRounds(keys->input()))));
    ASSERT_FALSE(window.weakKeyTrend->series().empty());
    for (const auto& series : window.weakKeyTrend->series())
        EXPECT_EQ(ProgressModel::kanaIndex(series.key) >= 0, keys->input() == Input::Kana)
            << static_cast<int>(series.key);
}
} // namespace

// The keyboard follows the rounds of one input: a history of both gets a 「ローマ字」/「かな」
// switch opening on the input played last, a history of one input shows that one alone. In kana
// view each key shows its kana and sums every kana typed on it, Shift's too; the romaji view
// counts romaji rounds only. Catches kana summed onto the wrong key or dropped, kana rounds
// counted on the QWERTY keys, and a switch shown to a player who only ever typed one way.
TEST(ProgressKanaView, theKeyboardShowsTheKanaOfKanaRoundsAndSwitchesOnlyWhenBothArePlayed) {
    const Tips romajiAlone = {{U's', QStringLiteral("S：ミス 6 / 20 打（30.0%）　直近 2 回")},
                              {U'a', QStringLiteral("A：ミス 0 / 20 打（0.0%）　直近 2 回")}};
    const Tips romajiBeside = {{U's', QStringLiteral("S：ミス 3 / 10 打（30.0%）　直近 1 回")},
                               {U'k', QStringLiteral("K：直近 1 回で打つ場面なし")}};
    const Tips kanaOnce = {{U'か', QStringLiteral("か：ミス 1 / 6 打（16.7%）　直近 1 回")},
                           {U'ち', QStringLiteral("ち：直近 1 回で打つ場面なし")}};
    const struct {
        const char* name;
        std::vector<HistoryRecord> records;
        bool switchShown;
        Input first;
        Tips firstTips, otherTips; // otherTips: after switching
    } cases[] = {
        {"both, kana last",
         {Romaji, KanaRound, KanaDrill},
         true,
         Input::Kana,
         KanaTips,
         romajiBeside},
        {"both, romaji last", {KanaRound, Romaji}, true, Input::Romaji, romajiBeside, kanaOnce},
        {"kana alone", {KanaRound, KanaDrill}, false, Input::Kana, KanaTips, {}},
        {"romaji alone", {Romaji, Romaji}, false, Input::Romaji, romajiAlone, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempWorkDir dir;
        writeHistory(dir, c.records);
        const ProgressModel::Loaded history = ProgressModel::load(HistoryFile::Path);
        ASSERT_EQ(history.read.skipped, 0);
        auto window = std::make_unique<ProgressWindow>(history);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        EXPECT_EQ(window->inputSwitch != nullptr, c.switchShown);
        EXPECT_EQ(window->findChildren<QRadioButton*>().size(), c.switchShown ? 2 : 0);
        EXPECT_EQ(window->keyboard->input(), c.first);
        expectTips(*window, c.firstTips);
        if (!c.switchShown)
            continue;
        EXPECT_TRUE(window->inputSwitch->isVisible());
        // The switch still leaves everything on a 1024×600 screen without scrolling.
        const QSize needed = window->content->minimumSizeHint();
        const QSize small = ProgressWindow::openingSize({1024, 600});
        EXPECT_LE(needed.width(), small.width());
        EXPECT_LE(needed.height(), small.height());
        QRadioButton* other = c.first == Input::Kana ? window->romajiView : window->kanaView;
        QTest::mouseClick(other, Qt::LeftButton);
        EXPECT_TRUE(other->isChecked());
        EXPECT_NE(window->keyboard->input(), c.first);
        expectTips(*window, c.otherTips);
    }
}

// With romaji rounds only, every history of today, the keyboard is drawn as it always was: the
// same picture as a keyboard that never heard of kana, and the same legend. Catches a kana
// legend or a shifted corner leaking onto the QWERTY caps, and keys moved to make room.
TEST(ProgressKanaView, aRomajiHistoryDrawsTheKeyboardAsBefore) {
    TempWorkDir dir;
    writeHistory(dir, {Romaji, Romaji});
    auto window = std::make_unique<ProgressWindow>(ProgressModel::load(HistoryFile::Path));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    KeyboardView plain(window->model());
    plain.resize(window->keyboard->size());
    plain.setFont(window->keyboard->font());
    plain.setPalette(window->keyboard->palette());
    // The keys alone, on the same ground: the window's background is not the keyboard's doing.
    const auto picture = [](QWidget& view) {
        QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        view.render(&image, {}, {}, QWidget::DrawChildren);
        return image;
    };
    EXPECT_TRUE(picture(*window->keyboard) == picture(plain));
    EXPECT_EQ(window->keyboard->shownKeys(), KeyboardView::keys());
    for (char32_t key : KeyboardView::keys())
        EXPECT_FALSE(cornerInked(*window->keyboard, key)) << static_cast<int>(key);
    EXPECT_EQ(window->keyLegend->text(),
              QStringLiteral("キーの色と数字：直近 2 回のミス率（緑 0% → 黄 10% → 赤 20% 以上、"
                             "灰色と – は打つ場面なし）。キーに合わせると回数が出ます。"));

    // The kana keys laid out like the QWERTY ones, in the rows of a JIS keyboard, inside the
    // view and apart; the shifted kana in the corner of the keys that have one.
    window->keyboard->setInput(Input::Kana);
    const auto& kana = window->keyboard->shownKeys();
    EXPECT_EQ(QString::fromUcs4(kana.data(), static_cast<qsizetype>(kana.size())),
              QStringLiteral("ぬふあうえおやゆよわほへー"
                             "たていすかんなにらせ゛゜"
                             "ちとしはきくまのりれけむ"
                             "つさそひこみもねるめろ"));
    EXPECT_EQ(window->keyboard->rows().size(), 4u);
    EXPECT_TRUE(cornerInked(*window->keyboard, U'あ'));
    EXPECT_TRUE(cornerInked(*window->keyboard, U'ゆ'));
    EXPECT_FALSE(cornerInked(*window->keyboard, U'か'));
    for (size_t i = 0; i < kana.size(); ++i) {
        const QRectF r = window->keyboard->keyRect(kana[i]);
        ASSERT_FALSE(r.isEmpty()) << i;
        EXPECT_TRUE(window->keyboard->rect().contains(r.toRect())) << i;
        for (size_t j = 0; j < i; ++j)
            EXPECT_FALSE(r.intersects(window->keyboard->keyRect(kana[j]))) << i << "," << j;
    }
}
