#include "round/RoundJudge.h"

#include "core/RandomSource.h"
#include "phrases/PhraseCatalogue.h"
#include "phrases/PhrasePack.h"
#include "round/ProgramState.h"
#include "round/SaturatingScore.h"
#include "sound/MediaCommands.h"
#include "typing/RomajiTable.h"

#include <algorithm>

RoundJudge::RoundJudge(ProgramState& state, const VariantTable& variants, RandomSource& random,
                       MediaInterface& media)
    : m_state(state), m_variants(variants), m_random(random), m_media(media) {}

void RoundJudge::resetResults() {
    m_endCount = 3;
    m_state.Combo = 0;
    m_state.MaxCombo = 0;
    m_state.NewRank = 0;
    m_state.figures.reset();
}

void RoundJudge::resetRound() {
    m_gameScore = 0;
    m_fastStage = 1;
    m_phraseCount = 0;
    m_level = 1;
    m_state.GameLevel = 1;
    m_countdown = 4;
    m_timeLeft = Budget;
}

namespace {
// Redraws before a kana round gives up on chance and takes the next typable phrase in order:
// enough that a pack with a fair share of typable phrases never gets there.
constexpr int KanaRedraws = 100;
} // namespace

Phrase RoundJudge::drawPhrase() {
    auto draw = [this] {
        if (!m_phraseWeights.empty())
            return m_pack ? m_pack->draw(m_random, m_variants, m_phraseWeights)
                          : PhraseCatalogue::draw(m_random, m_variants, m_phraseWeights);
        return m_pack ? m_pack->draw(m_random, m_variants)
                      : PhraseCatalogue::draw(m_random, m_variants);
    };
    Phrase phrase = draw();
    if (!m_kanaInput)
        return phrase;
    // A phrase the layout cannot type is drawn again, so every typable phrase stays as likely as
    // the others.
    for (int i = 0; i < KanaRedraws && !KanaJudge::typable(phrase.reading); ++i)
        phrase = draw();
    const int size = m_pack ? m_pack->size() : PhraseCatalogue::Size;
    for (int step = 1; step < size && !KanaJudge::typable(phrase.reading); ++step)
        phrase = phraseNumbered((phrase.number % size) + 1);
    return phrase;
}

Phrase RoundJudge::phraseNumbered(int number) const {
    if (m_pack)
        return m_pack->phrase(number, m_variants);
    return {number, QString::fromUtf8(PhraseCatalogue::row(number).text),
            PhraseCatalogue::romaji(number, m_variants),
            PhraseCatalogue::pieces(number, m_variants), PhraseCatalogue::reading(number)};
}

bool RoundJudge::kanaTypable(const PhrasePack& pack, const VariantTable& variants) {
    for (int number = 1; number <= pack.size(); ++number)
        if (KanaJudge::typable(pack.phrase(number, variants).reading))
            return true;
    return false;
}

void RoundJudge::MonSel() {
    const Phrase phrase = drawPhrase();
    m_phraseNumber = phrase.number;
    m_mon = phrase.text;
    m_q = phrase.romaji;
    ++m_phraseSerial;
    m_reader.reset();
    if (m_kanaInput) {
        m_kana.emplace(phrase.reading);
        m_q = m_kana->rest();
        m_matcher.reset();
        return;
    }
    m_kana.reset();
    if (m_table) {
        // The player's own table shows its own spelling; the built-in one the settings'.
        m_reader.emplace(phrase.reading, *m_table, m_tableIsPlayers ? QString() : phrase.romaji);
        if (!m_reader->spellable() && m_tableIsPlayers) {
            if (!m_noticeGiven && m_notice)
                m_notice(QStringLiteral("ローマ字表「%1」ではフレーズ「%2」を打てません。"
                                        "打てないフレーズは内蔵のローマ字表で判定します。")
                             .arg(RomajiTable::PlayerPath, phrase.text));
            m_noticeGiven = true;
            m_reader.emplace(phrase.reading, *RomajiTable::builtIn(), phrase.romaji);
        }
        if (m_reader->spellable()) {
            m_q = m_reader->guide();
            m_matcher.reset();
            return;
        }
        m_reader.reset(); // never with our table; the pieces judge it then
    }
    if (m_acceptBoth)
        m_matcher.emplace(phrase.pieces, m_variants, true);
    else
        m_matcher.reset();
}

void RoundJudge::takeTarget() {
    // In kana input the key due may be a voiced kana's mark, which Q does not show.
    m_target = m_kana ? QString(m_kana->expected()) : m_q.left(1);
}

bool RoundJudge::countdownTick() {
    if (m_countdown <= 0)
        return false;
    --m_countdown;
    return m_countdown == 0;
}

void RoundJudge::keyPress(const QString& character, int64_t nowNs) {
    if (m_countdown != 0 || m_ended)
        return;
    m_typed = character;
    m_keyNs = nowNs;
    hitc();
}

void RoundJudge::judgeByReading(std::shared_ptr<const RomajiTable> table, bool tableIsPlayers,
                                std::function<void(const QString&)> notice) {
    m_table = std::move(table);
    m_tableIsPlayers = tableIsPlayers;
    m_notice = std::move(notice);
    m_noticeGiven = false;
}

void RoundJudge::hitc() {
    if (m_kana) {
        if (m_typed.size() == 1 && m_kana->feed(m_typed.at(0)))
            correctKey();
        else
            wrongKey();
        return;
    }
    if (m_reader) {
        // By the reading: the key is right while the keys still convert to the phrase.
        if (m_typed.size() == 1 && m_reader->feed(m_typed.front()))
            correctKey();
        else
            wrongKey();
        return;
    }
    if (m_matcher) {
        // Either spelling: the key is right when it goes on along any way of the phrase.
        if (m_matcher->feed(m_typed))
            correctKey();
        else
            wrongKey();
        return;
    }
    // Exact comparison: case matters and blanks, Esc, Enter and Backspace are characters too.
    if (m_target == m_typed)
        correctKey();
    else
        wrongKey();
}

void RoundJudge::correctKey() {
    // Judged by the reading, the key the player chose is the one typed, whatever Q showed.
    m_state.figures.rightKey(m_reader ? m_typed : m_target, m_keyNs);
    // With either spelling accepted, Q shows the rest in the spelling the player follows.
    if (m_kana)
        m_q = m_kana->rest();
    else if (m_reader)
        m_q = m_reader->rest();
    else
        m_q = m_matcher ? m_matcher->rest() : RemoveString(m_q, 0, QStringLiteral("1"));
    m_gameScore = SaturatingScore::add(m_gameScore, 10);
    ++m_state.Combo;
    // Close first, so every key starts the effect from its beginning.
    CloseMedia(m_media, OkSound);
    PlayMedia(m_media, OkSound);
    m_state.MaxCombo = std::max(m_state.MaxCombo, m_state.Combo);
    m_comboCaption = QString::number(m_state.Combo) + QStringLiteral(" COMBO!");
    if (m_state.Combo == 10)
        m_comboVisible = true;
    if (m_reader ? !m_reader->complete() : !m_q.isEmpty())
        takeTarget();
    else
        completePhrase();
    m_romajiRed = false;
}

void RoundJudge::wrongKey() {
    m_state.figures.wrongKey(m_target);
    m_romajiRed = true;
    CloseMedia(m_media, MissSound);
    PlayMedia(m_media, MissSound);
    m_gameScore = SaturatingScore::add(m_gameScore, -20);
    m_comboVisible = false;
    m_comboCaption.clear();
    m_state.Combo = 0;
}

void RoundJudge::completePhrase() {
    MonSel();
    m_random.reseed();
    takeTarget();
    refillLamps();
    if (m_intervalMs == 1) {
        // At the fastest tick each phrase gets 10 ticks less; the shown level counts on while
        // the bonus level stays where it is.
        m_timeLeft = Budget - 10 * m_fastStage;
        ++m_fastStage;
        ++m_level;
    } else {
        m_timeLeft = Budget;
    }
    m_random.reseed();
    ++m_phraseCount;
    m_state.figures.phraseCompleted();
    m_gameScore = SaturatingScore::add(m_gameScore, 100 * int64_t{m_state.GameLevel} +
                                                        10 * int64_t{m_state.Combo});
    if (m_phraseCount == 5 * m_level) {
        if (m_intervalMs > 5)
            m_intervalMs -= 5;
        else if (m_intervalMs >= 2)
            m_intervalMs -= 1;
        ++m_level;
        m_state.GameLevel = m_level;
    }
}

void RoundJudge::refillLamps() {
    for (Lamp& lamp : m_lamps)
        lamp = Lamp{};
}

bool RoundJudge::gameTick() {
    --m_timeLeft;
    auto& [t1, t2, t3, t4, t5] = m_lamps;
    if (m_timeLeft <= 400)
        t5.visible = false;
    if (m_timeLeft <= 300) {
        t4.visible = false;
        t3.colour = t2.colour = t1.colour = LampColour::Yellow;
    }
    if (m_timeLeft <= 200)
        t3.visible = false;
    if (m_timeLeft <= 100) {
        t2.visible = false;
        t1.colour = LampColour::Red;
    }
    // "0 or less", not "exactly 0": from the 50th phrase at the fastest tick the budget is 0
    // or negative, and a round waiting for exactly 0 would never end.
    if (m_timeLeft <= 0) {
        t1.visible = false;
        if (!m_ended) {
            endRound();
            return true;
        }
    }
    return false;
}

void RoundJudge::endRound() {
    m_state.FinalScore = m_gameScore;
    m_state.GameLevel = m_level;
    m_ended = true;
}

bool RoundJudge::endWaitTick() {
    if (!m_ended || m_endCount <= 0)
        return false;
    --m_endCount;
    return m_endCount == 0;
}

QString RoundJudge::RemoveString(const QString& stTarget, int16_t iStart, const QString& iCount) {
    const int keep = std::clamp<int>(iStart, 0, stTarget.size());
    const int drop = std::max(0, iCount.trimmed().toInt());
    const qsizetype from = static_cast<qsizetype>(keep) + drop; // 0-based start of the tail
    return stTarget.left(keep) + (from < stTarget.size() ? stTarget.mid(from) : QString());
}
