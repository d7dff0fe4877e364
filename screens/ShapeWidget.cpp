#include "screens/ShapeWidget.h"

#include "core/Twips.h"

#include <QPainter>

#include <algorithm>

ShapeWidget::ShapeWidget(Kind kind, const QColor& fill, int leftTwips, int topTwips, int widthTwips,
                         int heightTwips, QWidget* parent)
    : QWidget(parent), m_kind(kind), m_fill(fill) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(Twips::toPixels(leftTwips), Twips::toPixels(topTwips), Twips::toPixels(widthTwips),
                Twips::toPixels(heightTwips));
}

void ShapeWidget::setFill(const QColor& fill) {
    if (fill == m_fill)
        return;
    m_fill = fill;
    update();
}

void ShapeWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The border grows with the screen, as the shape does.
    const qreal border = std::max(1.0, Twips::scale());
    painter.setPen(QPen(Qt::white, border));
    painter.setBrush(m_fill);
    const QRectF box = QRectF(rect()).adjusted(border / 2, border / 2, -border / 2, -border / 2);
    if (m_kind == Kind::RoundedRectangle) {
        const qreal radius = std::min(box.width(), box.height()) / 6;
        painter.drawRoundedRect(box, radius, radius);
    } else {
        // A circle as wide as the shorter side, centred in the box.
        const qreal d = std::min(box.width(), box.height());
        painter.drawEllipse(QRectF(box.center().x() - d / 2, box.center().y() - d / 2, d, d));
    }
}
