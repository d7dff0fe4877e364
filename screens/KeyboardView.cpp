#include "screens/KeyboardView.h"

#include "screens/KanaKeyboard.h"
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
constexpr double KanaColumns = 13.0; // the ¥ key makes the top row of a JIS keyboard longer
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

void KeyboardView::setInput(GameOptions::Input input) {
    if (input == m_input)
        return;
    m_input = input;
    update();
    // Screen readers find other keys under other names.
    QAccessibleEvent changed(this, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&changed);
}

const std::vector<std::vector<char32_t>>& KeyboardView::rows() const {
    return m_input == GameOptions::Input::Kana ? KanaKeyboard::rows() : ProgressModel::rows();
}

const std::vector<char32_t>& KeyboardView::shownKeys() const {
    static const std::vector<char32_t> kana = [] {
        std::vector<char32_t> out;
        for (const auto& row : KanaKeyboard::rows())
            out.insert(out.end(), row.begin(), row.end());
        return out;
    }();
    return m_input == GameOptions::Input::Kana ? kana : keys();
}

QString KeyboardView::capLabel(char32_t key) const {
    return m_input == GameOptions::Input::Kana ? QString::fromUcs4(&key, 1)
                                               : ProgressModel::capLabel(key);
}

QString KeyboardView::toolTip(char32_t key) const {
    if (m_input != GameOptions::Input::Kana)
        return m_model.toolTip(key);
    return ProgressModel::toolTipFor(KanaKeyboard::keyName(key),
                                     KanaKeyboard::keyStat(m_model, key),
                                     m_model.keyRounds(GameOptions::Input::Kana));
}

QString KeyboardView::capRate(char32_t key) const {
    if (m_input != GameOptions::Input::Kana)
        return m_model.capRate(key);
    return ProgressModel::capRateFor(KanaKeyboard::keyStat(m_model, key));
}

QColor KeyboardView::colour(char32_t key) const {
    if (m_input != GameOptions::Input::Kana)
        return m_model.colour(key);
    return ProgressModel::colourFor(KanaKeyboard::keyStat(m_model, key));
}

double KeyboardView::columns() const {
    return m_input == GameOptions::Input::Kana ? KanaColumns : Columns;
}

QSize KeyboardView::sizeHint() const {
    return {620, 230};
}

QSize KeyboardView::minimumSizeHint() const {
    return {360, 130};
}

double KeyboardView::unit() const {
    const auto count = static_cast<double>(rows().size());
    return std::min(width() / (columns() + 2 * Gap), height() / (count + 2 * Gap));
}

QRectF KeyboardView::keyRect(char32_t key) const {
    const double u = unit();
    const auto& rows = this->rows();
    const double left = (width() - columns() * u) / 2;
    const double top = (height() - rows.size() * u) / 2;
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
    for (char32_t key : shownKeys())
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
    QFont small = rate;
    small.setPixelSize(std::max(7, static_cast<int>(unit() * 0.2)));
    for (char32_t key : shownKeys()) {
        const QRectF r = keyRect(key);
        const QColor fill = colour(key);
        p.setPen(QPen(fill.darker(150), 1.5));
        p.setBrush(fill);
        p.drawRoundedRect(r, r.height() * 0.15, r.height() * 0.15);
        // The rate in figures under the letter: the colour is never the only cue.
        p.setPen(ProgressModel::textOn(fill));
        const QRectF upper(r.left(), r.top(), r.width(), r.height() * 0.58);
        const QRectF lower(r.left(), r.top() + r.height() * 0.52, r.width(), r.height() * 0.44);
        p.setFont(letter);
        p.drawText(upper, Qt::AlignCenter, capLabel(key));
        p.setFont(rate);
        p.drawText(lower, Qt::AlignCenter, capRate(key));
        // The shifted kana small in the corner, where a JIS keyboard prints it.
        if (const char32_t up =
                m_input == GameOptions::Input::Kana ? KanaKeyboard::shifted(key) : 0) {
            p.setFont(small);
            const QRectF corner(r.left() + r.width() * 0.08, r.top() + r.height() * 0.04,
                                r.width() * 0.4, r.height() * 0.36);
            p.drawText(corner, Qt::AlignLeft | Qt::AlignTop, QString::fromUcs4(&up, 1));
        }
    }
}

bool KeyboardView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const char32_t key = keyAt(help->pos());
        if (key)
            QToolTip::showText(help->globalPos(), toolTip(key), this, keyRect(key).toRect());
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}
