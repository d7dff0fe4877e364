#include "screens/KeyboardView.h"

#include "screens/KeyboardAccessible.h"
#include "stats/ProgressModel.h"

#include <QAccessible>

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace {
// Each row starts a little further right, as on a real keyboard (in key widths).
constexpr double RowIndent[] = {0.0, 0.5, 0.75, 1.25, 3.0};
constexpr double Columns = 11.5;
constexpr double SpaceWidth = 6.0;
constexpr double Gap = 0.08;
} // namespace

KeyboardView::KeyboardView(const ProgressModel& model, QWidget* parent)
    : QWidget(parent), m_model(model) {
    // Each key is a child of the keyboard for screen readers, with its counts as its name; the
    // factory must be there before the first accessibility event makes a plain interface.
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(
            [](const QString& className, QObject* object) -> QAccessibleInterface* {
                if (className == QLatin1String("KeyboardView") && object && object->isWidgetType())
                    return new KeyboardAccessible(static_cast<KeyboardView*>(object));
                return nullptr;
            });
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setObjectName(QStringLiteral("keyboard"));
    setAccessibleName(QStringLiteral("キーごとのミス率"));
    setMouseTracking(true);
}

const std::vector<char32_t>& KeyboardView::keys() {
    static const std::vector<char32_t> all = [] {
        std::vector<char32_t> out;
        for (const auto& row : ProgressModel::rows())
            out.insert(out.end(), row.begin(), row.end());
        return out;
    }();
    return all;
}

QSize KeyboardView::sizeHint() const {
    return {620, 230};
}

QSize KeyboardView::minimumSizeHint() const {
    return {360, 130};
}

double KeyboardView::unit() const {
    const auto rows = static_cast<double>(ProgressModel::rows().size());
    return std::min(width() / (Columns + 2 * Gap), height() / (rows + 2 * Gap));
}

QRectF KeyboardView::keyRect(char32_t key) const {
    const double u = unit();
    const double left = (width() - Columns * u) / 2;
    const double top = (height() - ProgressModel::rows().size() * u) / 2;
    const auto& rows = ProgressModel::rows();
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < rows[r].size(); ++c) {
            if (rows[r][c] != key)
                continue;
            const double w = key == U' ' ? SpaceWidth : 1.0;
            return QRectF(left + (RowIndent[r] + c) * u + Gap * u, top + r * u + Gap * u,
                          (w - 2 * Gap) * u, (1 - 2 * Gap) * u);
        }
    }
    return {};
}

char32_t KeyboardView::keyAt(const QPoint& point) const {
    for (const auto& row : ProgressModel::rows())
        for (char32_t key : row)
            if (keyRect(key).contains(point))
                return key;
    return 0;
}

void KeyboardView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QFont letter = p.font();
    letter.setPixelSize(std::max(9, static_cast<int>(unit() * 0.36)));
    letter.setBold(true);
    QFont rate = p.font();
    rate.setPixelSize(std::max(8, static_cast<int>(unit() * 0.26)));
    for (char32_t key : keys()) {
        const QRectF r = keyRect(key);
        const QColor fill = m_model.colour(key);
        p.setPen(QPen(fill.darker(150), 1.5));
        p.setBrush(fill);
        p.drawRoundedRect(r, r.height() * 0.15, r.height() * 0.15);
        // The rate in figures under the letter: the colour is never the only cue.
        p.setPen(ProgressModel::textOn(fill));
        const QRectF upper(r.left(), r.top(), r.width(), r.height() * 0.58);
        const QRectF lower(r.left(), r.top() + r.height() * 0.52, r.width(), r.height() * 0.44);
        p.setFont(letter);
        p.drawText(upper, Qt::AlignCenter, ProgressModel::capLabel(key));
        p.setFont(rate);
        p.drawText(lower, Qt::AlignCenter, m_model.capRate(key));
    }
}

bool KeyboardView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const char32_t key = keyAt(help->pos());
        if (key)
            QToolTip::showText(help->globalPos(), m_model.toolTip(key), this,
                               keyRect(key).toRect());
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}
