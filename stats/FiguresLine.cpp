#include "stats/FiguresLine.h"

#include <QStringList>

QString FiguresLine::keyName(char32_t key) {
    if (key == U' ')
        return QStringLiteral("空白");
    const QString text = QString::fromUcs4(&key, 1);
    if (key < 0x20 || key == 0x7F || !QChar::isPrint(key))
        return QStringLiteral("U+%1")
            .arg(static_cast<uint>(key), 4, 16, QLatin1Char('0'))
            .toUpper();
    return text;
}

QString FiguresLine::text(const RoundFigures& figures, bool saved) {
    QStringList weak;
    for (char32_t key : figures.weakKeys(3))
        weak << keyName(key);
    QString line =
        QStringLiteral("速度 %1 打/秒　正確率 %2%　ミス %3　苦手")
            .arg(QString::number(figures.speed(), 'f', 1),
                 QString::number(figures.accuracy(), 'f', 1), QString::number(figures.misses()));
    if (!weak.isEmpty())
        line += QLatin1Char(' ') + weak.join(QLatin1Char(' '));
    if (!saved)
        line += NotSaved;
    return line;
}
