#pragma once

#include <QString>

// The faces the screens ask for, and the Debian faces that stand in for them.
class Fonts {
public:
    static inline const QString Gothic = QStringLiteral("ＭＳ Ｐゴシック");
    static inline const QString Vineta = QStringLiteral("Vineta BT");
    static inline const QString Arial = QStringLiteral("Arial");

    // Call once before the first window: maps the faces above onto installed ones
    // (the proportional IPA P Gothic, never the monospaced fallback that overflows the title).
    static void install();
};
