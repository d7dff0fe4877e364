#include "typing/SpellingMatcher.h"

#include "settings/SpellingGroups.h"
#include "settings/VariantTable.h"

#include <algorithm>
#include <tuple>

namespace {

// The chosen spelling first, then the group's two spellings that differ from it.
std::vector<QString> spellingsOf(Kana kana, const VariantTable& chosen, bool acceptBoth) {
    std::vector<QString> ways{chosen.get(kana)};
    if (!acceptBoth)
        return ways;
    for (const SpellingGroup& group : SpellingGroups::all()) {
        const auto at = std::find(group.entries.begin(), group.entries.end(), kana);
        if (at == group.entries.end())
            continue;
        const auto index = static_cast<std::size_t>(at - group.entries.begin());
        for (const auto& spelling : group.spellings) {
            const QString way = QString::fromLatin1(spelling[index]);
            if (std::find(ways.begin(), ways.end(), way) == ways.end())
                ways.push_back(way);
        }
    }
    return ways;
}

// A single "n" would run into a following vowel, y or n and read as another kana (な, にゃ,
// ん+ん).
bool clashesWithSingleN(QChar next) {
    return QStringLiteral("aiueoyn").contains(next.toLower());
}

} // namespace

SpellingMatcher::SpellingMatcher(const PhrasePieces& pieces, const VariantTable& chosen,
                                 bool acceptBoth) {
    for (const PhrasePiece& piece : pieces)
        m_slots.push_back(
            {piece.kana ? spellingsOf(*piece.kana, chosen, acceptBoth) : std::vector{piece.fixed}});

    // ん alone as "n" only where what follows cannot join it; a ん that may end the phrase
    // finishes only in the chosen spelling's length, so an extra "n" never runs over into
    // the next phrase. The chosen spelling itself always stays, as the plain judge takes it.
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i].kana != Kana::N || m_slots[i].ways.size() < 2)
            continue;
        bool mayEnd = true;
        bool clash = false;
        for (std::size_t j = i + 1; j < m_slots.size() && mayEnd; ++j) {
            mayEnd = false;
            for (const QString& way : m_slots[j].ways) {
                if (way.isEmpty())
                    mayEnd = true; // an empty spelling lets the piece after it follow at once
                else if (clashesWithSingleN(way.front()))
                    clash = true;
            }
        }
        auto& ways = m_slots[i].ways;
        if (mayEnd)
            ways.resize(1);
        else if (clash)
            ways.erase(std::remove(ways.begin() + 1, ways.end(), QStringLiteral("n")), ways.end());
    }

    if (m_slots.empty())
        m_states.push_back({0, 0, 0, 0});
    else
        for (std::size_t w = 0; w < m_slots[0].ways.size(); ++w)
            addState(m_states, {0, w, 0, w == 0 ? 0 : 1});
}

void SpellingMatcher::addState(std::vector<State>& states, State state) const {
    if (state.slot < m_slots.size() && state.pos == m_slots[state.slot].ways[state.way].size()) {
        // This way is spelt out: every way of the next piece may begin.
        const std::size_t next = state.slot + 1;
        if (next == m_slots.size()) {
            addState(states, {next, 0, 0, state.cost});
            return;
        }
        for (std::size_t w = 0; w < m_slots[next].ways.size(); ++w)
            addState(states, {next, w, 0, state.cost + (w == 0 ? 0 : 1)});
        return;
    }
    for (State& known : states) {
        if (known.slot == state.slot && known.way == state.way && known.pos == state.pos) {
            known.cost = std::min(known.cost, state.cost);
            return;
        }
    }
    states.push_back(state);
}

bool SpellingMatcher::feed(const QString& key) {
    if (key.size() != 1)
        return false;
    const QChar c = key.front();
    std::vector<State> next;
    for (const State& state : m_states) {
        if (state.slot == m_slots.size())
            continue;
        if (m_slots[state.slot].ways[state.way].at(state.pos) == c)
            addState(next, {state.slot, state.way, state.pos + 1, state.cost});
    }
    if (next.empty())
        return false;
    m_states = std::move(next);
    return true;
}

bool SpellingMatcher::complete() const {
    return std::any_of(m_states.begin(), m_states.end(),
                       [this](const State& s) { return s.slot == m_slots.size(); });
}

const SpellingMatcher::State* SpellingMatcher::guideState() const {
    if (complete())
        return nullptr;
    const State* best = nullptr;
    for (const State& state : m_states) {
        if (!best || std::tie(state.cost, state.slot, state.way) <
                         std::tie(best->cost, best->slot, best->way))
            best = &state;
    }
    return best;
}

QString SpellingMatcher::rest() const {
    const State* guide = guideState();
    if (!guide)
        return QString();
    QString text = m_slots[guide->slot].ways[guide->way].mid(guide->pos);
    for (std::size_t i = guide->slot + 1; i < m_slots.size(); ++i)
        text += m_slots[i].ways.front();
    return text;
}

QString SpellingMatcher::chosenText() const {
    QString text;
    for (const Slot& slot : m_slots)
        text += slot.ways.front();
    return text;
}
