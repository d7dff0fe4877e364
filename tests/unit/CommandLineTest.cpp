#include "app/CommandLine.h"

#include <QMap>
#include <gtest/gtest.h>

#include <optional>

namespace {

CommandLine parse(QStringList arguments, bool japanese = false) {
    arguments.prepend(QStringLiteral("kazamina-typing"));
    return CommandLine(arguments, japanese);
}

// Sets environment variables for one test and puts the old values back.
class Environment {
public:
    void set(const char* name, const char* value) {
        if (!m_saved.contains(name))
            m_saved.insert(name, qEnvironmentVariableIsSet(name)
                                     ? std::optional<QByteArray>(qgetenv(name))
                                     : std::nullopt);
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    ~Environment() {
        for (auto it = m_saved.begin(); it != m_saved.end(); ++it)
            if (it.value())
                qputenv(it.key().constData(), *it.value());
            else
                qunsetenv(it.key().constData());
    }

private:
    QMap<QByteArray, std::optional<QByteArray>> m_saved;
};

} // namespace

// --help and --version answer on standard output and end the program successfully; a start
// without arguments plays. Catches: help sent to stderr or ending with an error status,
// the short forms not understood, the version missing, the game starting after --help.
TEST(CommandLine, helpAndVersionAnswerOnStandardOutputAndEndSuccessfully) {
    for (const QString& help : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const CommandLine line = parse({help});
        EXPECT_TRUE(line.done()) << help.toStdString();
        EXPECT_EQ(line.exitStatus(), 0);
        EXPECT_TRUE(line.output().startsWith("Usage: kazamina-typing [options]\n"));
        EXPECT_TRUE(line.output().contains("--version"));
        EXPECT_TRUE(line.errorOutput().isEmpty());
    }
    for (const QString& version : {QStringLiteral("--version"), QStringLiteral("-v")}) {
        const CommandLine line = parse({version});
        EXPECT_TRUE(line.done());
        EXPECT_EQ(line.exitStatus(), 0);
        EXPECT_TRUE(line.output().startsWith("kazamina-typing 1.")) << line.output().toStdString();
        EXPECT_TRUE(line.errorOutput().isEmpty());
    }
    EXPECT_FALSE(parse({}).done());
    EXPECT_EQ(parse({}).exitStatus(), 0);
}

// A switch the game does not know, or a stray argument, names the culprit and shows the usage
// on standard error, and ends with status 2 even beside --help. Catches: unknown switches
// ignored (the game starts), status 1 or 0, the usage missing or printed on stdout.
TEST(CommandLine, wrongArgumentsShowTheUsageOnStandardErrorAndEndWithStatusTwo) {
    const struct {
        QStringList arguments;
        const char* named;
    } cases[] = {
        {{"--bogus"}, "--bogus"},     {{"-x"}, "-x"},
        {{"play"}, "play"},           {{"--help", "--bogus"}, "--bogus"},
        {{"--version=2"}, "version"},
    };
    for (const auto& c : cases) {
        const CommandLine line = parse(c.arguments);
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        EXPECT_TRUE(line.done());
        EXPECT_EQ(line.exitStatus(), 2);
        EXPECT_TRUE(line.output().isEmpty());
        EXPECT_TRUE(line.errorOutput().startsWith("kazamina-typing: "));
        EXPECT_TRUE(line.errorOutput().contains(c.named)) << line.errorOutput().toStdString();
        EXPECT_TRUE(line.errorOutput().contains("Usage: kazamina-typing [options]"));
    }
}

// Every text is Japanese under a Japanese locale and English otherwise, whichever of LC_ALL,
// LC_MESSAGES and LANG decides. Catches: a language mixed into the other's texts, LANG read
// before LC_ALL, a Japanese LANG beaten by nothing.
TEST(CommandLine, textsFollowTheLocaleOfMessages) {
    const CommandLine ja = parse({"--help"}, true);
    EXPECT_TRUE(ja.output().startsWith(QStringLiteral("使い方: kazamina-typing")));
    EXPECT_FALSE(ja.output().contains("Usage"));
    EXPECT_FALSE(ja.output().contains("show the version"));
    EXPECT_TRUE(
        parse({"--bogus"}, true).errorOutput().contains(QStringLiteral("不明なオプション")));
    EXPECT_TRUE(parse({"--version"}, true).output().contains(QStringLiteral("ライセンス: MIT")));
    EXPECT_TRUE(parse({"--version"}, false).output().contains("License: MIT"));

    Environment env;
    env.set("LC_ALL", nullptr);
    env.set("LC_MESSAGES", nullptr);
    env.set("LANG", "ja_JP.UTF-8");
    EXPECT_TRUE(CommandLine::japaneseLocale());
    env.set("LC_MESSAGES", "C");
    EXPECT_FALSE(CommandLine::japaneseLocale());
    env.set("LC_ALL", "ja_JP.UTF-8");
    EXPECT_TRUE(CommandLine::japaneseLocale());
    env.set("LC_ALL", "en_GB.UTF-8");
    env.set("LC_MESSAGES", "ja_JP.UTF-8");
    EXPECT_FALSE(CommandLine::japaneseLocale());
    env.set("LC_ALL", nullptr);
    env.set("LC_MESSAGES", nullptr);
    env.set("LANG", nullptr);
    EXPECT_FALSE(CommandLine::japaneseLocale());
}

// The help goes out in the terminal's character set: a Japanese terminal in EUC-JP or
// Shift_JIS shows garbage for UTF-8, and a UTF-8 or unnamed set keeps today's bytes.
TEST(CommandLine, outputIsWrittenInTheLocalesCharacterSet) {
    const QString text = QStringLiteral("使い方: kazamina-typing");
    const struct {
        const char* locale;
        const char* bytes;
    } cases[] = {
        {"ja_JP.eucJP", "\xbb\xc8\xa4\xa4\xca\xfd: kazamina-typing"},
        {"ja_JP.EUC-JP@x", "\xbb\xc8\xa4\xa4\xca\xfd: kazamina-typing"},
        {"ja_JP.SJIS", "\x8e\x67\x82\xa2\x95\xfb: kazamina-typing"},
        {"ja_JP.UTF-8", "\xe4\xbd\xbf\xe3\x81\x84\xe6\x96\xb9: kazamina-typing"},
        {"ja_JP", "\xe4\xbd\xbf\xe3\x81\x84\xe6\x96\xb9: kazamina-typing"},
        {"C", "\xe4\xbd\xbf\xe3\x81\x84\xe6\x96\xb9: kazamina-typing"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandLine::inLocaleEncoding(text, c.locale), QByteArray(c.bytes)) << c.locale;
}
