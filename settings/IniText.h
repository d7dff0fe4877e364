#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// An INI file edited line by line: values are read and changed in place, and every other line
// (comments, blank lines, keys of other programs or versions, a start mark) stays byte for byte.
// Keys are "section/name"; a key outside any section belongs to "General".
class IniText {
public:
    // None when the bytes are not text the game can write back unchanged: not UTF-8 (after an
    // optional start mark), or holding a NUL.
    static std::optional<IniText> parse(const QByteArray& bytes);

    // The value as written, trimmed, one pair of surrounding double quotes removed; empty when
    // the key is absent.
    QString value(const QString& key) const;
    // Changes the key's value where it stands, or adds it at the end of its section (a new
    // section goes at the end of the file, after a blank line).
    void setValue(const QString& key, const QString& value);
    void remove(const QString& key);

    QByteArray bytes() const;
    bool hasStartMark() const { return m_mark; }

private:
    struct Found {
        qsizetype line = -1;       // the key's line
        qsizetype sectionEnd = -1; // after the last non-blank line of the key's section
    };
    Found find(const QString& section, const QString& name) const;
    static bool splitKey(const QString& key, QString& section, QString& name);
    // Inserts a line ended as the file's first line is; the line before it gets an end too.
    void insertLine(qsizetype at, const QString& line);

    QStringList m_lines; // without line ends
    QStringList m_ends;  // each line's own end; empty for a last line without one
    QString m_lineEnd = QStringLiteral("\n");
    bool m_mark = false;
};
