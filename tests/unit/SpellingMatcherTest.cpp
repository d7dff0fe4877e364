#include "typing/SpellingMatcher.h"
#include "phrases/PhraseCatalogue.h"
#include "settings/SpellingGroups.h"
#include "settings/VariantTable.h"
#include "tests/support/Spellings.h"

#include <gtest/gtest.h>

namespace {

const VariantTable allA = spellingTable([](int) { return 0; });
const VariantTable allB = spellingTable([](int) { return 1; });
const VariantTable evenA = spellingTable([](int g) { return g % 2; });
const VariantTable evenB = spellingTable([](int g) { return 1 - g % 2; });

// Feeds keys; returns the index of the first key judged wrong, or -1.
qsizetype firstWrong(SpellingMatcher& matcher, const QString& keys) {
    for (qsizetype i = 0; i < keys.size(); ++i)
        if (!matcher.feed(QString(keys.at(i))))
            return i;
    return -1;
}

PhrasePieces piecesOf(std::initializer_list<PhrasePiece> pieces) {
    return PhrasePieces(pieces);
}
PhrasePiece F(const char* text) {
    return {QString::fromLatin1(text), std::nullopt};
}
PhrasePiece V(Kana kana) {
    return {QString(), kana};
}

} // namespace

// The core promise of the option: whichever setting the player chose, every phrase typed in
// spelling A, spelling B or a per-group mix is right key by key and complete only at its last
// key. Along the way the guide must always show a real way to finish: the typed text followed
// by it is itself a complete spelling.
TEST(SpellingMatcher, everyPhraseTakesEitherSpellingAndAnyMixUnderEitherChoice) {
    const std::vector<std::pair<const char*, const VariantTable*>> tables = {
        {"A", &allA}, {"B", &allB}, {"even A", &evenA}, {"even B", &evenB}};
    for (const auto& [chosenName, chosen] : {tables[0], tables[1]}) {
        for (const auto& [typingName, typing] : tables) {
            for (int n = 1; n <= PhraseCatalogue::Size; ++n) {
                const PhrasePieces pieces = PhraseCatalogue::pieces(n, *chosen);
                const QString keys = spellPhrase(pieces, *typing, *chosen);
                SCOPED_TRACE(QStringLiteral("row %1, chosen %2, typed %3: %4")
                                 .arg(n)
                                 .arg(chosenName, typingName, keys)
                                 .toStdString());
                SpellingMatcher matcher(pieces, *chosen, true);
                EXPECT_EQ(matcher.rest(), PhraseCatalogue::romaji(n, *chosen));
                for (qsizetype i = 0; i < keys.size(); ++i) {
                    ASSERT_FALSE(matcher.complete()) << "complete before key " << i;
                    ASSERT_TRUE(matcher.feed(QString(keys.at(i)))) << "key " << i;
                    const QString guided = keys.left(i + 1) + matcher.rest();
                    SpellingMatcher check(pieces, *chosen, true);
                    ASSERT_EQ(firstWrong(check, guided), -1) << guided.toStdString();
                    ASSERT_TRUE(check.complete()) << guided.toStdString();
                }
                EXPECT_TRUE(matcher.complete());
                EXPECT_EQ(matcher.rest(), QString());
            }
        }
    }
}

// A spelling that is neither of a group's two must be caught at the very key that leaves
// every way, not earlier (a key both could still take) and not later; and a wrong key leaves
// the matcher where it was, so the right key is still taken after it.
TEST(SpellingMatcher, aSpellingThatIsNeitherIsWrongWhereItLeavesEveryWay) {
    struct Neither {
        Kana kana;
        const char* text;
        int wrongAt;
    };
    const std::vector<Neither> neither = {
        {Kana::N, "m", 0},         {Kana::Shi, "syi", 1},    {Kana::Tsu, "tzu", 1},
        {Kana::Ji, "jyi", 1},      {Kana::Sho, "sio", 1},    {Kana::SmallE, "lye", 1},
        {Kana::Fu, "hwu", 1},      {Kana::Jo, "jyo", 1},     {Kana::Ja, "jya", 1},
        {Kana::Shu, "sxu", 1},     {Kana::SmallA, "lwa", 1}, {Kana::Cho, "cyo", 1},
        {Kana::SmallYu, "lyi", 2}, {Kana::Sha, "syi", 2},    {Kana::Chu, "tsu", 1},
    };
    int checked = 0;
    for (int n = 1; n <= PhraseCatalogue::Size; ++n) {
        const PhrasePieces pieces = PhraseCatalogue::pieces(n, allA);
        QString before;
        for (const PhrasePiece& piece : pieces) {
            if (piece.kana) {
                for (const Neither& wrong : neither) {
                    if (wrong.kana != *piece.kana)
                        continue;
                    const QString text = QString::fromLatin1(wrong.text);
                    SCOPED_TRACE(QStringLiteral("row %1: %2 then %3")
                                     .arg(n)
                                     .arg(before, text)
                                     .toStdString());
                    SpellingMatcher matcher(pieces, allA, true);
                    ASSERT_EQ(firstWrong(matcher, before + text.left(wrong.wrongAt)), -1);
                    const QString guide = matcher.rest();
                    EXPECT_FALSE(matcher.feed(text.mid(wrong.wrongAt, 1)));
                    // Nothing moved: the guide is the same and its next key is still right.
                    EXPECT_EQ(matcher.rest(), guide);
                    EXPECT_TRUE(matcher.feed(guide.left(1)));
                    ++checked;
                }
            }
            before += piece.kana ? allA.get(*piece.kana) : piece.fixed;
        }
    }
    EXPECT_GT(checked, 100); // every kind of kana in the catalogue, most of them many times
}

// With the option off the matcher must be the plain judge: only the chosen spelling, wrong
// exactly where another spelling first differs from it.
TEST(SpellingMatcher, withTheOptionOffOnlyTheChosenSpellingIsRight) {
    int differing = 0;
    for (const VariantTable* chosen : {&allA, &allB}) {
        const VariantTable* other = chosen == &allA ? &allB : &allA;
        for (int n = 1; n <= PhraseCatalogue::Size; ++n) {
            const PhrasePieces pieces = PhraseCatalogue::pieces(n, *chosen);
            const QString romaji = PhraseCatalogue::romaji(n, *chosen);
            SCOPED_TRACE(romaji.toStdString());
            SpellingMatcher own(pieces, *chosen, false);
            EXPECT_EQ(firstWrong(own, romaji), -1);
            EXPECT_TRUE(own.complete());

            const QString keys = spellPhrase(pieces, *other, *chosen);
            qsizetype split = 0;
            while (split < keys.size() && split < romaji.size() && keys[split] == romaji[split])
                ++split;
            SpellingMatcher plain(pieces, *chosen, false);
            EXPECT_EQ(firstWrong(plain, keys), keys == romaji ? -1 : split);
            differing += keys != romaji;
        }
    }
    EXPECT_GT(differing, 100);
}

// ん is the one kana whose spellings are prefixes of each other. A lone "n" must not be taken
// before a vowel, y or n (it would spell な, にゃ or a second ん) unless it is the player's own
// spelling, which always stays right; and a closing ん completes only at the chosen length,
// so a habitual second "n" is never left over for the next phrase.
TEST(SpellingMatcher, nAloneOnlyWhereNothingCanJoinItAndAClosingNKeepsTheChosenLength) {
    const PhrasePieces beforeVowel = piecesOf({F("ka"), V(Kana::N), F("a")});
    const PhrasePieces beforeY = piecesOf({F("ka"), V(Kana::N), F("yu")});
    const PhrasePieces twoN = piecesOf({F("ka"), V(Kana::N), V(Kana::N), F("da")});
    const PhrasePieces beforeD = piecesOf({F("ka"), V(Kana::N), F("da")});
    const PhrasePieces closing = piecesOf({F("ka"), V(Kana::N), F("")});

    for (const PhrasePieces* p : {&beforeVowel, &beforeY}) {
        SpellingMatcher underA(*p, allA, true);
        const QString clash = QString(p->back().fixed.front());
        EXPECT_EQ(firstWrong(underA, QStringLiteral("kan") + clash), 3);
        EXPECT_EQ(underA.rest(), QStringLiteral("n") + p->back().fixed);
        SpellingMatcher underB(*p, allB, true); // the player's own "n" stays right
        EXPECT_EQ(firstWrong(underB, QStringLiteral("kan") + p->back().fixed), -1);
        EXPECT_TRUE(underB.complete());
        SpellingMatcher doubledUnderB(*p, allB, true);
        EXPECT_EQ(firstWrong(doubledUnderB, QStringLiteral("kann") + p->back().fixed), -1);
        EXPECT_TRUE(doubledUnderB.complete());
    }
    {
        SpellingMatcher m(twoN, allA, true); // the first ん is followed by an n
        EXPECT_EQ(firstWrong(m, QStringLiteral("kannda")), 4);
        SpellingMatcher mixed(twoN, allA, true);
        EXPECT_EQ(firstWrong(mixed, QStringLiteral("kannnda")), -1);
        EXPECT_TRUE(mixed.complete());
    }
    {
        SpellingMatcher single(beforeD, allA, true);
        EXPECT_EQ(firstWrong(single, QStringLiteral("kanda")), -1);
        EXPECT_TRUE(single.complete());
    }
    {
        SpellingMatcher underA(closing, allA, true);
        EXPECT_EQ(firstWrong(underA, QStringLiteral("kan")), -1);
        EXPECT_FALSE(underA.complete());
        EXPECT_EQ(underA.rest(), QStringLiteral("n"));
        EXPECT_TRUE(underA.feed(QStringLiteral("n")));
        EXPECT_TRUE(underA.complete());

        SpellingMatcher underB(closing, allB, true);
        EXPECT_EQ(firstWrong(underB, QStringLiteral("kan")), -1);
        EXPECT_TRUE(underB.complete());
        EXPECT_FALSE(underB.feed(QStringLiteral("n")));
    }
}

// The guide shows the spelling the player is following: the chosen one wherever nothing has
// been typed yet or both ways are still open, the other one as soon as a key picks it.
TEST(SpellingMatcher, theGuideFollowsThePlayersSpelling) {
    // Row 50: しゅ, つ, しょ, じょ.
    SpellingMatcher m(PhraseCatalogue::pieces(50, allA), allA, true);
    EXPECT_EQ(m.rest(), QStringLiteral("nitibeisyuukoutuusyouzyouyaku"));
    firstWrong(m, QStringLiteral("nitibeis"));
    EXPECT_EQ(m.rest(), QStringLiteral("yuukoutuusyouzyouyaku")); // both open: the chosen
    m.feed(QStringLiteral("h"));
    EXPECT_EQ(m.rest(), QStringLiteral("uukoutuusyouzyouyaku"));
    firstWrong(m, QStringLiteral("uukouts"));
    EXPECT_EQ(m.rest(), QStringLiteral("uusyouzyouyaku")); // later kana stay in the chosen
    firstWrong(m, QStringLiteral("uusyouj"));
    EXPECT_EQ(m.rest(), QStringLiteral("ouyaku"));

    // Row 1 under each choice: after one "n" the ん is still open both ways, and the guide
    // keeps to the player's own length.
    SpellingMatcher underA(PhraseCatalogue::pieces(1, allA), allA, true);
    firstWrong(underA, QStringLiteral("tukitosuppon"));
    EXPECT_EQ(underA.rest(), QStringLiteral("n.kurabenndemowakaruwaboke"));
    SpellingMatcher underB(PhraseCatalogue::pieces(1, allB), allB, true);
    firstWrong(underB, QStringLiteral("tukitosuppon"));
    EXPECT_EQ(underB.rest(), QStringLiteral(".kurabendemowakaruwaboke"));
    EXPECT_TRUE(underB.feed(QStringLiteral("n"))); // "nn" is still a way
    EXPECT_EQ(underB.rest(), QStringLiteral(".kurabendemowakaruwaboke"));

    // An earlier kana typed the other way does not pull later ones away from the chosen.
    SpellingMatcher row95(PhraseCatalogue::pieces(95, allA), allA, true);
    firstWrong(row95, QStringLiteral("shi"));
    EXPECT_EQ(row95.rest(), QStringLiteral("razusirazunoutinipakettotuusinnryoukougakuni"));
}

// Spellings that no setting has filled yet (the table starts empty) are still one way, as the
// plain judge shows them; a key of two characters never matches.
TEST(SpellingMatcher, anUnsetEntryStaysOneWayAndOnlySingleCharactersMatch) {
    const VariantTable empty;
    const PhrasePieces pieces = piecesOf({V(Kana::Fu), F("to"), V(Kana::N), F("ga")});
    SpellingMatcher m(pieces, empty, true);
    EXPECT_EQ(m.rest(), QStringLiteral("toga"));
    EXPECT_FALSE(m.feed(QStringLiteral("fu")));
    EXPECT_EQ(firstWrong(m, QStringLiteral("futonga")), -1);
    EXPECT_TRUE(m.complete());
    SpellingMatcher plain(pieces, empty, true);
    EXPECT_EQ(firstWrong(plain, QStringLiteral("toga")), -1);
    EXPECT_TRUE(plain.complete());
}
