#include "settings/IniText.h"

#include <QStringDecoder>

namespace {

bool isSection(QStringView trimmed) {
    return trimmed.size() >= 2 && trimmed.startsWith(QLatin1Char('[')) &&
           trimmed.endsWith(QLatin1Char(']'));
}

bool isComment(QStringView trimmed) {
    return trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
}

QString sectionName(QStringView trimmed) {
    return trimmed.sliced(1, trimmed.size() - 2).trimmed().toString();
}

const QString General = QStringLiteral("General");

} // namespace

std::optional<IniText> IniText::parse(const QByteArray& bytes) {
    IniText ini;
    QByteArrayView body(bytes);
    if (body.startsWith("\xEF\xBB\xBF")) {
        ini.m_mark = true;
        body = body.sliced(3);
    }
    if (body.contains('\0'))
        return std::nullopt;
    // A second mark is a character of the first line, kept as it is.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = utf8.decode(body);
    if (utf8.hasError())
        return std::nullopt;
    bool firstEnd = true;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        const bool crlf =
            c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n');
        const QString end = crlf ? QStringLiteral("\r\n") : QString(c);
        if (firstEnd) {
            ini.m_lineEnd = end;
            firstEnd = false;
        }
        ini.m_lines.append(text.sliced(start, i - start));
        ini.m_ends.append(end);
        i += crlf ? 1 : 0;
        start = i + 1;
    }
    if (start < text.size()) {
        ini.m_lines.append(text.sliced(start));
        ini.m_ends.append(QString());
    }
    return ini;
}

bool IniText::splitKey(const QString& key, QString& section, QString& name) {
    const qsizetype slash = key.indexOf(QLatin1Char('/'));
    section = slash < 0 ? General : key.left(slash);
    name = slash < 0 ? key : key.mid(slash + 1);
    return !name.isEmpty();
}

IniText::Found IniText::find(const QString& section, const QString& name) const {
    Found found;
    QString current = General;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QStringView line = QStringView(m_lines.at(i)).trimmed();
        if (isSection(line)) {
            current = sectionName(line);
            continue;
        }
        if (current != section || line.isEmpty())
            continue;
        // A comment after a section's last key more likely speaks of what follows it.
        if (isComment(line))
            continue;
        found.sectionEnd = i + 1;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.first(eq).trimmed() == name)
            found.line = i; // the last one counts, as it overrides any before it
    }
    if (found.sectionEnd < 0) {
        // A section that is there but empty: the place is right after its header.
        current = General;
        for (qsizetype i = 0; i < m_lines.size(); ++i) {
            const QStringView line = QStringView(m_lines.at(i)).trimmed();
            if (isSection(line) && sectionName(line) == section)
                found.sectionEnd = i + 1;
        }
    }
    return found;
}

QString IniText::value(const QString& key) const {
    QString section, name;
    if (!splitKey(key, section, name))
        return {};
    const Found found = find(section, name);
    if (found.line < 0)
        return {};
    const QString& line = m_lines.at(found.line);
    QString value = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        value = value.sliced(1, value.size() - 2);
    return value;
}

void IniText::insertLine(qsizetype at, const QString& line) {
    if (at > 0 && m_ends.at(at - 1).isEmpty())
        m_ends[at - 1] = m_lineEnd;
    m_lines.insert(at, line);
    m_ends.insert(at, m_lineEnd);
}

void IniText::setValue(const QString& key, const QString& value) {
    QString section, name;
    if (!splitKey(key, section, name))
        return;
    const Found found = find(section, name);
    if (found.line >= 0) {
        // The key keeps its own spacing; only what follows the '=' changes.
        QString& line = m_lines[found.line];
        qsizetype at = line.indexOf(QLatin1Char('=')) + 1;
        while (at < line.size() && (line.at(at) == QLatin1Char(' ') || line.at(at) == '\t'))
            ++at;
        line = line.left(at) + value;
        return;
    }
    const QString entry = name + QLatin1Char('=') + value;
    if (found.sectionEnd >= 0) {
        insertLine(found.sectionEnd, entry);
        return;
    }
    if (!m_lines.isEmpty() && !m_lines.last().trimmed().isEmpty())
        insertLine(m_lines.size(), QString());
    insertLine(m_lines.size(), QLatin1Char('[') + section + QLatin1Char(']'));
    insertLine(m_lines.size(), entry);
}

void IniText::remove(const QString& key) {
    QString section, name;
    if (!splitKey(key, section, name))
        return;
    for (Found found = find(section, name); found.line >= 0; found = find(section, name)) {
        m_lines.removeAt(found.line);
        m_ends.removeAt(found.line);
    }
}

QByteArray IniText::bytes() const {
    QString text;
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        text += m_lines.at(i) + m_ends.at(i);
    QByteArray out = text.toUtf8();
    if (m_mark)
        out.prepend("\xEF\xBB\xBF");
    return out;
}
