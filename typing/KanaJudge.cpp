#include "typing/KanaJudge.h"

#include "typing/KanaLayout.h"

namespace {

constexpr char16_t CombiningVoiced = u'\u3099';
constexpr char16_t CombiningSemiVoiced = u'\u309A';

bool onLayout(QChar c) {
    return KanaLayout::allKana().contains(c);
}

// Katakana are typed as their hiragana; the rest stays.
QChar hiragana(QChar c) {
    if (c.unicode() >= u'ァ' && c.unicode() <= u'ヶ')
        return QChar(c.unicode() - (u'ァ' - u'ぁ'));
    return c;
}

} // namespace

KanaJudge::Unit KanaJudge::unitOf(QChar character) {
    Unit unit{QString(character), QString(character), QString()};
    if (onLayout(character)) {
        unit.keys = QString(character);
        return unit;
    }
    // Voiced kana come apart into base and mark, half-width forms into their full forms.
    const QString parts = QString(character).normalized(QString::NormalizationForm_KD);
    QString keys;
    for (const QChar part : parts) {
        QChar key = hiragana(part);
        if (part == QChar(CombiningVoiced))
            key = QChar(u'゛');
        else if (part == QChar(CombiningSemiVoiced))
            key = QChar(u'゜');
        if (!onLayout(key))
            return unit;
        keys += key;
    }
    unit.keys = keys;
    if (keys.size() > 1)
        unit.base = parts.left(1);
    return unit;
}

std::optional<QString> KanaJudge::keys(QStringView reading, qsizetype* badAt) {
    QString keys;
    for (qsizetype i = 0; i < reading.size(); ++i) {
        const Unit unit = unitOf(reading.at(i));
        if (unit.keys.isEmpty()) {
            if (badAt)
                *badAt = i;
            return std::nullopt;
        }
        keys += unit.keys;
    }
    return keys;
}

KanaJudge::KanaJudge(QStringView reading) {
    m_units.reserve(static_cast<std::size_t>(reading.size()));
    for (const QChar c : reading)
        m_units.push_back(unitOf(c));
}

QChar KanaJudge::expected() const {
    if (complete())
        return {};
    const QString& keys = m_units[m_unit].keys;
    return m_key < keys.size() ? keys.at(m_key) : QChar();
}

bool KanaJudge::feed(QChar kana) {
    const QChar next = expected();
    if (next.isNull() || kana != next)
        return false;
    if (++m_key == m_units[m_unit].keys.size()) {
        ++m_unit;
        m_key = 0;
    }
    return true;
}

QString KanaJudge::rest() const {
    QString rest;
    for (std::size_t i = m_unit; i < m_units.size(); ++i)
        rest += i == m_unit && m_key > 0 ? m_units[i].base : m_units[i].shown;
    return rest;
}
