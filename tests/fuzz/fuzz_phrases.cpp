// The phrase-pack reader on any file: no crash; a refused pack names the file; a pack it takes
// holds 1 to 10,000 phrases, each with a text within the limits and free of control characters,
// spelt under both spelling settings, and a draw always lands on one of them.
#include "core/FileError.h"
#include "core/RandomSource.h"
#include "core/TextFile.h"
#include "phrases/PhrasePack.h"
#include "settings/SpellingGroups.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>

namespace {

VariantTable tableWith(int choice) {
    VariantTable table;
    for (int g = 0; g < SpellingGroups::GroupCount; ++g)
        SpellingGroups::all()[g].applyTo(table, choice);
    return table;
}

// Draws from the fuzzer's own bytes, so a draw is as likely to hit the edges as the middle.
class BytesRandom : public RandomSource {
public:
    explicit BytesRandom(float value) : m_value(value) {}
    void reseed() override {}
    float next() override { return m_value; }

private:
    float m_value;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString path = QStringLiteral("system\\phrases.txt");
    std::optional<PhrasePack> pack;
    try {
        pack = PhrasePack::fromLines(
            TextFile::linesOf(bytes, path, {PhrasePack::MaxFileBytes, true}), path);
    } catch (const FileError& e) {
        // Named as the game names it, or by its place in the player's folder.
        FUZZ_CHECK(e.message().contains(path) || e.message().contains(TextFile::playerPath(path)));
        return 0;
    }
    FUZZ_CHECK(pack->size() >= 1 && pack->size() <= PhrasePack::MaxPhrases);
    static const VariantTable tables[] = {tableWith(0), tableWith(1)};
    for (int i = 1; i <= pack->size(); ++i) {
        for (const VariantTable& table : tables) {
            const Phrase p = pack->phrase(i, table);
            FUZZ_CHECK(p.number == i);
            FUZZ_CHECK(!p.text.isEmpty());
            FUZZ_CHECK(TextFile::characterCount(p.text) <= PhrasePack::MaxTextLength);
            for (QChar c : p.text)
                FUZZ_CHECK(c.unicode() >= 0x20 && c.unicode() != 0x7F);
        }
    }
    for (const float r : {0.0f, 0.5f, 0.999999f, 1.0f}) {
        BytesRandom random(r);
        const int n = pack->draw(random, tables[0]).number;
        FUZZ_CHECK(n >= 1 && n <= pack->size());
    }
    return 0;
}
