#pragma once

#include "stats/RoundFigures.h"

#include <QString>

// The line of figures under the result screen's rating:
// 「速度 4.2 打/秒　正確率 96.3%　ミス 12　苦手 t s n」.
class FiguresLine {
public:
    static inline const QString NotSaved = QStringLiteral("（記録を保存できませんでした）");

    // `saved` false adds the note that the round could not go into the history.
    static QString text(const RoundFigures& figures, bool saved = true);
    // How a character is written for the player: a blank as 空白, anything unprintable as U+XXXX.
    static QString keyName(char32_t key);
};
