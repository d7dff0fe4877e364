#include "screens/Fonts.h"

#include <QFont>
#include <QStringList>

void Fonts::install() {
    QFont::insertSubstitutions(
        Gothic, QStringList{QStringLiteral("IPAPGothic"), QStringLiteral("IPAPゴシック")});
    QFont::insertSubstitutions(Vineta, QStringList{QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(
        Arial, QStringList{QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
}
