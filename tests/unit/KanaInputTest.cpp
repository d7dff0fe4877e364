#include "phrases/PhraseCatalogue.h"
#include "typing/KanaJudge.h"
#include "typing/KanaLayout.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

// A key as the X server reports it: its key code as the scan code, no character of its own, so
// only the position can tell the kana.
QChar kanaOfKeyCode(int keycode, bool shift) {
    const QKeyEvent event(QEvent::KeyPress, Qt::Key_unknown,
                          shift ? Qt::ShiftModifier : Qt::NoModifier, static_cast<quint32>(keycode),
                          0, 0, QString());
    return KanaLayout::kanaOf(&event);
}

// Feeds the keys that type the kana string by position; the index of the first key judged
// wrong, or -1.
qsizetype typeByPosition(KanaJudge& judge, const QString& keys) {
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const auto key = KanaLayout::keyFor(keys.at(i));
        if (!key || !judge.feed(kanaOfKeyCode(key->keycode, key->shift)))
            return i;
    }
    return -1;
}

} // namespace

// The layout against the JIS kana layout as a keyboard prints it, row by row, written out here
// by X key name rather than copied from the table: a kana on a wrong key, a missing Shift
// kana or a key shifted along its row shows up as one mismatch.
TEST(KanaLayout, everyKeyTypesTheKanaPrintedOnAJisKeyboard) {
    struct Row {
        std::vector<int> keycodes; // X key codes of the row's keys, left to right
        const char16_t* plain;
        const char16_t* shifted; // a space: Shift types the plain kana again
    };
    auto run = [](int first, int count) {
        std::vector<int> codes;
        for (int i = 0; i < count; ++i)
            codes.push_back(first + i);
        return codes;
    };
    auto with = [](std::vector<int> codes, int last) {
        codes.push_back(last);
        return codes;
    };
    const std::vector<Row> rows = {
        // AE01..AE12 and the ¥ key (AE13)
        {with(run(10, 12), 132), u"ぬふあうえおやゆよわほへー", u"  ぁぅぇぉゃゅょをー  "},
        // AD01..AD12
        {run(24, 12), u"たていすかんなにらせ゛゜", u"  ぃ        「"},
        // AC01..AC11 and the key right of them (BKSL)
        {with(run(38, 11), 51), u"ちとしはきくまのりれけむ", u"           」"},
        // AB01..AB10 and the ろ key (AB11)
        {with(run(52, 10), 97), u"つさそひこみもねるめろ", u"っ      、。・ "},
    };
    std::set<int> checked;
    for (const Row& row : rows) {
        const QString plain = QString::fromUtf16(row.plain);
        const QString shifted = QString::fromUtf16(row.shifted);
        ASSERT_EQ(plain.size(), qsizetype(row.keycodes.size()));
        ASSERT_EQ(shifted.size(), plain.size());
        for (qsizetype i = 0; i < plain.size(); ++i) {
            const int code = row.keycodes[std::size_t(i)];
            const QChar up = shifted.at(i) == QLatin1Char(' ') ? plain.at(i) : shifted.at(i);
            EXPECT_EQ(KanaLayout::kanaAt({code, false}), plain.at(i)) << "key code " << code;
            EXPECT_EQ(KanaLayout::kanaAt({code, true}), up) << "key code " << code << " shifted";
            checked.insert(code);
        }
    }
    // Only the US keyboard's stand-ins go beyond the JIS keys: ろ on the ` key (49); ー on the
    // ほ key with Shift was checked above.
    for (const KanaLayout::Entry& entry : KanaLayout::entries()) {
        if (!checked.count(entry.keycode)) {
            EXPECT_EQ(entry.keycode, 49) << "a key no JIS keyboard prints kana on";
        }
    }
    EXPECT_EQ(KanaLayout::kanaAt({49, false}), QChar(u'ろ'));
    // Every kana has its JIS key, and that key types it back.
    for (const QChar kana : KanaLayout::allKana()) {
        const auto key = KanaLayout::keyFor(kana);
        ASSERT_TRUE(key) << QString(kana).toStdString();
        EXPECT_NE(key->keycode, 49);
        EXPECT_EQ(KanaLayout::kanaAt(*key), kana);
    }
    EXPECT_EQ(KanaLayout::allKana().size(), 63);
}

// Without a scan code the key is read as a US keyboard types it (the characters a US keyboard
// shows for the JIS positions), and keys held with Ctrl, Alt or Meta type no kana.
TEST(KanaLayout, withoutAScanCodeTheUsCharacterGivesThePosition) {
    std::map<QString, QChar> cases = {{" ", QChar()}, {"ab", QChar()}};
    // Every printable key of a US keyboard, plain and with Shift, row by row.
    const std::pair<const char*, const char16_t*> rows[] = {
        {"1234567890-=", u"ぬふあうえおやゆよわほへ"},
        {"!@#$%^&*()_+", u"ぬふぁぅぇぉゃゅょをーへ"},
        {"qwertyuiop[]", u"たていすかんなにらせ゛゜"},
        {"QWERTYUIOP{}", u"たてぃすかんなにらせ゛「"},
        {"asdfghjkl;'\\", u"ちとしはきくまのりれけむ"},
        {"ASDFGHJKL:\"|", u"ちとしはきくまのりれけ」"},
        {"zxcvbnm,./`", u"つさそひこみもねるめろ"},
        {"ZXCVBNM<>?~", u"っさそひこみも、。・ろ"},
    };
    for (const auto& [keys, kana] : rows) {
        const QString typed = QString::fromLatin1(keys), expected = QString::fromUtf16(kana);
        ASSERT_EQ(typed.size(), expected.size()) << keys;
        for (qsizetype i = 0; i < typed.size(); ++i)
            cases[typed.mid(i, 1)] = expected.at(i);
    }
    EXPECT_EQ(cases.size(), 2u + 2 * 47);
    for (const auto& [text, kana] : cases) {
        const bool shift =
            text.size() == 1 && KanaLayout::usKey(text.at(0)).value_or(KanaLayout::Key{}).shift;
        const QKeyEvent event(QEvent::KeyPress, Qt::Key_unknown,
                              shift ? Qt::ShiftModifier : Qt::NoModifier, 0, 0, 0, text);
        EXPECT_EQ(KanaLayout::kanaOf(&event), kana) << text.toStdString();
    }
    // A key with an X key code (8 to 255) goes by its position alone, even where no kana is.
    for (const quint32 code : {8u, 255u}) {
        const QKeyEvent event(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, code, 0, 0, "q");
        EXPECT_TRUE(KanaLayout::kanaOf(&event).isNull()) << code;
    }
    for (const auto modifier : {Qt::ControlModifier, Qt::AltModifier, Qt::MetaModifier}) {
        const QKeyEvent event(QEvent::KeyPress, Qt::Key_Q, modifier, 24, 0, 0, QString());
        EXPECT_TRUE(KanaLayout::kanaOf(&event).isNull());
    }
}

// Readings into keys: voiced and semi-voiced kana are the base kana then the mark, katakana
// the keys of their hiragana, small kana and the long vowel mark one key each, half-width
// forms their full forms. Anything the layout has no key for makes the reading untypable at
// that character.
TEST(KanaJudge, readingsBecomeKeysAndUntypableOnesAreFound) {
    struct Case {
        const char16_t* reading;
        const char16_t* keys; // null: untypable
        qsizetype badAt;
    };
    const std::vector<Case> cases = {
        {u"がぎぐげご", u"か゛き゛く゛け゛こ゛", 0},
        {u"ぱぴぷぺぽ", u"は゜ひ゜ふ゜へ゜ほ゜", 0},
        {u"ゔヴ", u"う゛う゛", 0},
        {u"バンドやろうぜ", u"は゛んと゛やろうせ゛", 0},
        {u"ぁぃぅぇぉゃゅょっを", u"ぁぃぅぇぉゃゅょっを", 0},
        {u"キャッチャー", u"きゃっちゃー", 0},
        {u"｢く｣、。・ー", u"「く」、。・ー", 0},
        {u"ｶﾞｯﾎﾟ", u"か゛っほ゜", 0},
        {u"か゛", u"か゛", 0},
        {u"MP5", nullptr, 0},
        {u"てきはほんのうじにあり!", nullptr, 11},
        {u"まっしろ…", nullptr, 4},
        {u"ｗｗ", nullptr, 0},
        {u"ヵヶ", nullptr, 0},
        {u"ゎゐゑ", nullptr, 0},
        {u"I love", nullptr, 0},
        {u"あ い", nullptr, 1},
        {u"がぁ～", nullptr, 2},
    };
    for (const Case& c : cases) {
        const QString reading = QString::fromUtf16(c.reading);
        qsizetype badAt = -1;
        const auto keys = KanaJudge::keys(reading, &badAt);
        if (c.keys) {
            ASSERT_TRUE(keys) << reading.toStdString() << " untypable at " << badAt;
            EXPECT_EQ(keys->toStdString(), QString::fromUtf16(c.keys).toStdString());
        } else {
            EXPECT_FALSE(keys) << reading.toStdString();
            EXPECT_EQ(badAt, c.badAt) << reading.toStdString();
        }
    }
}

// Key by key through a reading: a voiced kana half typed shows its base kana (in the reading's
// own script) until its mark comes; a wrong key, the mark too early, or the base kana typed
// twice changes nothing; complete only after the very last key.
TEST(KanaJudge, followsKeysAndShowsTheRestWithAHalfTypedVoicedKanaAsItsBase) {
    KanaJudge judge(u"ガッコうぱ");
    struct Step {
        char16_t key;
        bool right;
        const char16_t* rest;
    };
    const std::vector<Step> steps = {
        {u'゛', false, u"ガッコうぱ"}, {u'か', true, u"カッコうぱ"}, {u'か', false, u"カッコうぱ"},
        {u'゛', true, u"ッコうぱ"},    {u'つ', false, u"ッコうぱ"},  {u'っ', true, u"コうぱ"},
        {u'こ', true, u"うぱ"},        {u'う', true, u"ぱ"},         {u'は', true, u"は"},
        {u'゛', false, u"は"},         {u'゜', true, u""},           {u'゜', false, u""},
    };
    EXPECT_EQ(judge.expected(), QChar(u'か'));
    for (const Step& step : steps) {
        EXPECT_EQ(judge.feed(QChar(step.key)), step.right)
            << QString(QChar(step.key)).toStdString();
        EXPECT_EQ(judge.rest().toStdString(), QString::fromUtf16(step.rest).toStdString());
        EXPECT_EQ(judge.complete(), judge.rest().isEmpty());
    }
    EXPECT_TRUE(judge.expected().isNull());
    // An untypable reading is followed up to its first untypable character, never beyond.
    KanaJudge stuck(u"あA");
    EXPECT_TRUE(stuck.feed(u'あ'));
    EXPECT_FALSE(stuck.feed(u'A'));
    EXPECT_FALSE(stuck.complete());
    EXPECT_TRUE(KanaJudge(u"").complete());
}

// Every built-in reading the layout can type, typed by key position, is right at every key
// and complete only at its last; the ones left out are exactly those holding a character with
// no key (the README gives their count).
TEST(KanaJudge, everyTypableBuiltInReadingIsTypedByPositionWithoutAMiss) {
    std::vector<int> leftOut;
    for (int n = 1; n <= PhraseCatalogue::Size; ++n) {
        const QString reading = PhraseCatalogue::reading(n);
        const auto keys = KanaJudge::keys(reading);
        if (!keys) {
            leftOut.push_back(n);
            continue;
        }
        SCOPED_TRACE(reading.toStdString());
        KanaJudge judge(reading);
        ASSERT_EQ(judge.rest(), reading);
        for (qsizetype i = 0; i < keys->size(); ++i) {
            ASSERT_FALSE(judge.complete());
            ASSERT_EQ(typeByPosition(judge, keys->mid(i, 1)), -1) << "key " << i;
        }
        EXPECT_TRUE(judge.complete());
    }
    const std::vector<int> expected = {5,  9,  11, 13, 14, 17, 21, 22, 25, 29, 30, 31, 32, 35, 42,
                                       47, 48, 55, 56, 68, 71, 73, 77, 79, 85, 88, 90, 92, 94, 98};
    EXPECT_EQ(leftOut, expected);
}
