#pragma once

#include <QString>
#include <QStringList>

// The program's command line: --help and --version answer and end the program, a wrong
// switch shows the usage and ends it with status 2, and every other switch is a mode that
// main() asks about with isSet().
class CommandLine {
public:
    // A mode switch and its line in --help; a new mode is one more entry in modes().
    struct Mode {
        QString name;
        QString english;
        QString japanese;
    };
    static QList<Mode> modes();

    // Reads the arguments (the program's name first). japanese picks the language of every
    // text printed.
    CommandLine(const QStringList& arguments, bool japanese);

    // True when the program must end at once with exitStatus(), after printing output() to
    // standard output and errorOutput() to standard error (see finish()).
    bool done() const { return m_done; }
    int exitStatus() const { return m_status; }
    const QString& output() const { return m_output; }
    const QString& errorOutput() const { return m_error; }
    bool isSet(const QString& mode) const { return m_set.contains(mode); }

    // Prints output() and errorOutput() and returns exitStatus().
    int finish() const;

    // The texts, also for the manual page's check.
    QString helpText() const;
    QString versionText() const;

    // argv as Qt strings, before any QApplication exists (so --help works without a display).
    static QStringList fromArgv(int argc, char* argv[]);
    // The locale that decides the character set (LC_ALL, LC_CTYPE, LANG), and the text in
    // that locale's set: a terminal in ja_JP.eucJP shows EUC-JP, not UTF-8.
    static QByteArray ctypeLocale();
    static QByteArray inLocaleEncoding(const QString& text, const QByteArray& locale);
    // Whether the messages locale (LC_ALL, LC_MESSAGES, LANG) is Japanese.
    static bool japaneseLocale();

private:
    QString text(const char* english, const QString& japanese) const;

    bool m_japanese;
    bool m_done = false;
    int m_status = 0;
    QString m_output;
    QString m_error;
    QStringList m_set;
};
