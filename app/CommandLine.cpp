#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringEncoder>

#include <cstdio>

#ifndef KAZAMINA_VERSION
#define KAZAMINA_VERSION "0"
#endif

namespace {

const QString kProgram = QStringLiteral("kazamina-typing");

// One line of the option list: the switches padded to a common column, then the text.
QString optionLine(const QString& switches, const QString& text) {
    return QStringLiteral("  %1  %2\n").arg(switches, -18).arg(text);
}

} // namespace

QList<CommandLine::Mode> CommandLine::modes() {
    return {{QStringLiteral("stats"), QStringLiteral("show the progress window"),
             QStringLiteral("成績グラフを表示する")}};
}

CommandLine::CommandLine(const QStringList& arguments, bool japanese) : m_japanese(japanese) {
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(version);
    const QList<Mode> known = modes();
    for (const Mode& mode : known)
        parser.addOption(QCommandLineOption(mode.name));

    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        QString what;
        if (!unknown.isEmpty()) {
            const QString name = unknown.first();
            what = text("unknown option: %1", QStringLiteral("不明なオプションです: %1"))
                       .arg((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
        } else {
            what = parser.errorText();
        }
        m_error = kProgram + QStringLiteral(": ") + what + QLatin1Char('\n') + helpText();
        m_status = 2;
        m_done = true;
        return;
    }
    if (!parser.positionalArguments().isEmpty()) {
        m_error = kProgram + QStringLiteral(": ") +
                  text("unexpected argument: %1", QStringLiteral("余分な引数です: %1"))
                      .arg(parser.positionalArguments().first()) +
                  QLatin1Char('\n') + helpText();
        m_status = 2;
        m_done = true;
        return;
    }
    if (parser.isSet(help)) {
        m_output = helpText();
        m_done = true;
        return;
    }
    if (parser.isSet(version)) {
        m_output = versionText();
        m_done = true;
        return;
    }
    for (const Mode& mode : known)
        if (parser.isSet(mode.name))
            m_set.append(mode.name);
}

QString CommandLine::text(const char* english, const QString& japanese) const {
    return m_japanese ? japanese : QString::fromUtf8(english);
}

QString CommandLine::helpText() const {
    QString out =
        text("Usage: %1 [options]\n", QStringLiteral("使い方: %1 [オプション]\n")).arg(kProgram);
    out += text(
        "A romaji typing game: type each phrase before its time lamps run out.\n",
        QStringLiteral("ローマ字タイピングゲーム: ランプが消える前にフレーズを打ち切ろう。\n"));
    out += QLatin1Char('\n') + text("Options:\n", QStringLiteral("オプション:\n"));
    out +=
        optionLine(QStringLiteral("-h, --help"),
                   text("show this help and exit", QStringLiteral("このヘルプを表示して終了する")));
    out += optionLine(
        QStringLiteral("-v, --version"),
        text("show the version and exit", QStringLiteral("バージョンを表示して終了する")));
    for (const Mode& mode : modes())
        out +=
            optionLine(QStringLiteral("--") + mode.name, m_japanese ? mode.japanese : mode.english);
    out += QLatin1Char('\n');
    out += text(
        "Settings, high scores and music live in system/ and music/ of the working\n"
        "directory; the installed game starts in ~/.local/share/kazamina-typing.\n"
        "See the manual page kazamina-typing(6) for the keys.\n",
        QStringLiteral("設定・ランキング・音楽は作業フォルダの system/ と music/ にあります。\n"
                       "インストールしたゲームは ~/.local/share/kazamina-typing で動きます。\n"
                       "キー操作はマニュアル kazamina-typing(6) を見てください。\n"));
    return out;
}

QString CommandLine::versionText() const {
    return kProgram + QStringLiteral(" " KAZAMINA_VERSION "\n") +
           QStringLiteral("Copyright (c) 2026 The カザミナへのタイピング developers\n") +
           text("License: MIT\n", QStringLiteral("ライセンス: MIT\n"));
}

int CommandLine::finish() const {
    if (!m_output.isEmpty()) {
        std::fputs(inLocaleEncoding(m_output, ctypeLocale()).constData(), stdout);
        std::fflush(stdout);
    }
    if (!m_error.isEmpty())
        std::fputs(inLocaleEncoding(m_error, ctypeLocale()).constData(), stderr);
    return m_status;
}

QStringList CommandLine::fromArgv(int argc, char* argv[]) {
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list.append(QString::fromLocal8Bit(argv[i]));
    return list;
}

QByteArray CommandLine::ctypeLocale() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const QByteArray value = qgetenv(name);
        if (!value.isEmpty())
            return value;
    }
    return QByteArrayLiteral("C");
}

QByteArray CommandLine::inLocaleEncoding(const QString& text, const QByteArray& locale) {
    // "ja_JP.eucJP@modifier": the character set stands between the dot and the at sign.
    const QString name = QString::fromLatin1(locale).section(QLatin1Char('@'), 0, 0);
    QByteArray codeset = name.contains(QLatin1Char('.'))
                             ? name.section(QLatin1Char('.'), 1).toLower().toLatin1()
                             : QByteArray();
    codeset.replace("-", "").replace("_", "");
    if (codeset == "eucjp" || codeset == "ujis")
        codeset = "EUC-JP";
    else if (codeset == "sjis" || codeset == "shiftjis" || codeset == "cp932" ||
             codeset == "windows31j")
        codeset = "Shift_JIS";
    else if (codeset.isEmpty() || codeset == "utf8")
        return text.toUtf8(); // a locale that names no set (ja_JP, C.UTF-8, C): UTF-8 as before
    QStringEncoder encoder(codeset.constData());
    return encoder.isValid() ? QByteArray(encoder(text)) : text.toUtf8();
}

bool CommandLine::japaneseLocale() {
    // The first of these that is set decides, as for any program's messages.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QByteArray value = qgetenv(name);
        if (!value.isEmpty())
            return value.startsWith("ja");
    }
    return false;
}
