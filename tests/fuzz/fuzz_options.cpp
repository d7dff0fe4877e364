// The options file's INI editor on any file: no crash; a file it takes writes back byte for byte
// when nothing changes; each of the game's keys set reads back as set, leaves the other keys as
// they read, and a second identical save changes nothing; a removed key reads as absent.
#include "settings/IniText.h"
#include "settings/OptionsFile.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::optional<IniText> ini = IniText::parse(bytes);
    if (!ini)
        return 0;
    FUZZ_CHECK(ini->bytes() == bytes);
    const QString keys[] = {OptionsFile::JudgingKey, OptionsFile::InputKey,
                            OptionsFile::WeakKeysKey, OptionsFile::ScaleKey,
                            OptionsFile::AcceptBothSpellingsKey};
    const QString values[] = {QStringLiteral("exact"), QStringLiteral("kana"),
                              QStringLiteral("true"), QStringLiteral("1.5")};
    QString before[5];
    for (int k = 0; k < 5; ++k)
        before[k] = ini->value(keys[k]);
    const int chosen = size > 0 ? data[0] % 4 : 0;
    ini->remove(OptionsFile::AcceptBothSpellingsKey);
    FUZZ_CHECK(ini->value(OptionsFile::AcceptBothSpellingsKey).isEmpty());
    ini->setValue(keys[chosen], values[chosen]);
    const QByteArray saved = ini->bytes();
    std::optional<IniText> again = IniText::parse(saved);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(again->hasStartMark() == bytes.startsWith("\xEF\xBB\xBF"));
    for (int k = 0; k < 4; ++k)
        FUZZ_CHECK(again->value(keys[k]) == (k == chosen ? values[k] : before[k]));
    again->setValue(keys[chosen], values[chosen]);
    FUZZ_CHECK(again->bytes() == saved);
    return 0;
}
