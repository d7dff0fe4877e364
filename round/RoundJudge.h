#pragma once

#include "typing/KanaJudge.h"
#include "typing/ReadingJudge.h"
#include "typing/SpellingMatcher.h"

#include <QString>

#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class MediaInterface;
class PhrasePack;
class RomajiTable;
class RandomSource;
class VariantTable;
struct ProgramState;

// The rules of one typing round, without a window: countdown, key judging, score, combo,
// levels, the phrase budget with its five lamps, and the end. The round window feeds it keys
// and game ticks and draws what it holds.
class RoundJudge {
public:
    static constexpr int Budget = 500;       // game ticks per phrase
    static constexpr int FirstInterval = 50; // ms per game tick at level 1
    static constexpr int LampCount = 5;
    static inline const std::string OkSound = "music\\ok.wav";
    static inline const std::string MissSound = "music\\miss.wav";

    enum class LampColour { DarkBlue, Yellow, Red };
    struct Lamp {
        bool visible = true;
        LampColour colour = LampColour::DarkBlue;
        bool operator==(const Lamp&) const = default;
    };

    RoundJudge(ProgramState& state, const VariantTable& variants, RandomSource& random,
               MediaInterface& media);

    // The two reset steps of the window's load, in the order the load runs them.
    void resetResults();
    void resetRound();
    // Judge every variable kana by both spellings of its group, from the next phrase drawn.
    void setAcceptBothSpellings(bool on) { m_acceptBoth = on; }
    // Judge by the reading under the table, as an input method converts (the ime and custom
    // judging), from the next phrase drawn. A phrase the table cannot spell is judged by the
    // built-in table, and the first one says so through `notice`.
    void judgeByReading(std::shared_ptr<const RomajiTable> table, bool tableIsPlayers,
                        std::function<void(const QString&)> notice = {});
    // Judge kana typed on the JIS kana layout against the phrase's reading, from the next phrase
    // drawn; phrases the layout cannot type are no longer drawn.
    void setKanaInput(bool on) { m_kanaInput = on; }
    bool kanaInput() const { return m_kanaInput; }
    // Draws the next phrase into mon/Q; the caller re-centres the labels.
    void MonSel();
    // The player's phrase pack to draw from instead of the built-in phrases (null: built-in).
    void usePack(std::shared_ptr<const PhrasePack> pack) { m_pack = std::move(pack); }
    // Weights for the draw, one per phrase of the pack or the built-in catalogue in use; empty
    // draws uniformly, as the original game.
    void usePhraseWeights(std::vector<double> weights) { m_phraseWeights = std::move(weights); }
    // target becomes the first character of Q.
    void takeTarget();

    // Whether the pack holds a phrase the kana layout can type (the built-in phrases do).
    static bool kanaTypable(const PhrasePack& pack, const VariantTable& variants);

    // One countdown second; true on the tick that starts play.
    bool countdownTick();
    // A typed character (in kana input, the layout's kana of the key, or what a key without one
    // typed), typed at `nowNs` on the game's clock (NoTime: not timed); ignored during the
    // countdown and once the round is over.
    void keyPress(const QString& character, int64_t nowNs = INT64_MIN);
    void hitc();
    // One game tick; true on the tick that ends the round.
    bool gameTick();
    // One second of the end wait; true when the result screen is due.
    bool endWaitTick();

    // The first iStart characters of stTarget, then stTarget after the iCount characters that
    // follow them (iCount is a number written as text).
    static QString RemoveString(const QString& stTarget, int16_t iStart, const QString& iCount);

    int countdown() const { return m_countdown; }
    bool playing() const { return m_countdown == 0 && !m_ended; }
    bool ended() const { return m_ended; }
    int timeLeft() const { return m_timeLeft; }
    int intervalMs() const { return m_intervalMs; }
    int level() const { return m_level; }
    int phraseCount() const { return m_phraseCount; }
    int fastStage() const { return m_fastStage; }
    int32_t gameScore() const { return m_gameScore; }
    int endCount() const { return m_endCount; }
    const QString& target() const { return m_target; }
    const QString& typed() const { return m_typed; }

    // What the labels show.
    int phraseNumber() const { return m_phraseNumber; }
    // Grows with every MonSel, so the window knows when to re-centre (a phrase may repeat).
    int phraseSerial() const { return m_phraseSerial; }
    const QString& monText() const { return m_mon; }
    const QString& romaji() const { return m_q; }
    bool romajiRed() const { return m_romajiRed; }
    const QString& comboCaption() const { return m_comboCaption; }
    bool comboVisible() const { return m_comboVisible; }
    const std::array<Lamp, LampCount>& lamps() const { return m_lamps; } // T1 first

private:
    Phrase drawPhrase();
    Phrase phraseNumbered(int number) const;
    void correctKey();
    void wrongKey();
    void completePhrase();
    void refillLamps();
    void endRound();

    ProgramState& m_state;
    const VariantTable& m_variants;
    RandomSource& m_random;
    MediaInterface& m_media;
    std::shared_ptr<const PhrasePack> m_pack;
    std::vector<double> m_phraseWeights;
    int64_t m_keyNs = INT64_MIN;

    QString m_target;
    QString m_typed;
    int m_countdown = 4;
    int m_timeLeft = Budget;
    int m_phraseCount = 0;
    int m_level = 1;
    int m_fastStage = 1;
    int32_t m_gameScore = 0;
    int m_endCount = 3;
    int m_intervalMs = FirstInterval;
    bool m_ended = false;
    bool m_acceptBoth = false;
    // Follows the phrase on show while both spellings are accepted; empty otherwise.
    std::optional<SpellingMatcher> m_matcher;
    // The table the reading is judged by (null: judged by the pieces), and the judge that
    // follows the phrase on show under it.
    std::shared_ptr<const RomajiTable> m_table;
    bool m_tableIsPlayers = false;
    bool m_noticeGiven = false;
    std::function<void(const QString&)> m_notice;
    std::optional<ReadingJudge> m_reader;
    bool m_kanaInput = false;
    // Follows the phrase's reading in kana input; empty otherwise.
    std::optional<KanaJudge> m_kana;

    int m_phraseNumber = 0;
    int m_phraseSerial = 0;
    QString m_mon;
    QString m_q;
    bool m_romajiRed = false;
    QString m_comboCaption = QStringLiteral(" COMBO!!");
    bool m_comboVisible = false;
    std::array<Lamp, LampCount> m_lamps{};
};
