#include "screens/ScreenWindow.h"

#include "core/Twips.h"
#include "screens/GameContext.h"
#include "screens/ScreenAccessible.h"
#include "screens/ScreenScale.h"

#include <QCloseEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QScreen>

#include <cmath>

namespace {
// Font sizes are kept at the original size, so switching back and forth never drifts.
const char* const BasePointsProperty = "kazaminaBasePoints";

int scaled(int pixels, double ratio) {
    return static_cast<int>(std::lround(pixels * ratio));
}
} // namespace

ScreenWindow::ScreenWindow(GameContext& context, const QString& caption, QWidget* parent)
    : QWidget(parent), m_context(context), m_stage(new QWidget(this)) {
    ScreenAccessible::install();
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);
    m_stage->setObjectName(QStringLiteral("stage"));
    m_stage->resize(Twips::toPixels(ClientWidthTwips), Twips::toPixels(ClientHeightTwips));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    if (s_fullScreen)
        setWindowState(Qt::WindowFullScreen);
    else
        fitWindowToStage();
}

void ScreenWindow::fitWindowToStage() {
    setFixedSize(m_stage->size());
    m_stage->move(0, 0);
}

void ScreenWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // At full screen the content stands in the middle, black all around it.
    if (isFullScreen())
        m_stage->move((width() - m_stage->width()) / 2, (height() - m_stage->height()) / 2);
}

bool ScreenWindow::event(QEvent* event) {
    // Seen before any screen's own key handler, so F11 is never judged or ignored by a screen.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F11 && key->modifiers() == Qt::NoModifier) {
            if (event->type() == QEvent::KeyPress && !key->isAutoRepeat())
                toggleFullScreen();
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void ScreenWindow::toggleFullScreen() {
    const double from = Twips::scale();
    if (!s_fullScreen) {
        s_windowScale = from;
        const QScreen* where = screen();
        const QSize area = where ? where->geometry().size() : size();
        s_fullScreen = true;
        Twips::setScale(ScreenScale::fitFactor(area));
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        rescaleStage(from, Twips::scale());
        showFullScreen();
        // Without a window manager nobody honours the full-screen state: take the screen anyway.
        setGeometry(QRect(where ? where->geometry().topLeft() : QPoint(0, 0), area));
    } else {
        s_fullScreen = false;
        Twips::setScale(s_windowScale);
        rescaleStage(from, Twips::scale());
        showNormal();
        fitWindowToStage();
        moveToStoredPosition();
    }
    m_stage->move((width() - m_stage->width()) / 2, (height() - m_stage->height()) / 2);
}

void ScreenWindow::rescaleStage(double from, double to) {
    const double ratio = to / from;
    m_stage->resize(Twips::toPixels(ClientWidthTwips), Twips::toPixels(ClientHeightTwips));
    for (QObject* child : m_stage->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget)
            continue;
        const QRect box = widget->geometry();
        QVariant base = widget->property(BasePointsProperty);
        if (!base.isValid()) {
            base = widget->font().pointSizeF() / from;
            widget->setProperty(BasePointsProperty, base);
        }
        QFont font = widget->font();
        font.setPointSizeF(base.toDouble() * to);
        widget->setFont(font);
        QRect placed(scaled(box.x(), ratio), scaled(box.y(), ratio), scaled(box.width(), ratio),
                     scaled(box.height(), ratio));
        // Glyphs do not grow in exact proportion: a label keeps room for its whole text.
        if (auto* label = qobject_cast<QLabel*>(widget))
            placed.setSize(placed.size().expandedTo(label->sizeHint()));
        widget->setGeometry(placed);
    }
}

void ScreenWindow::moveToStoredPosition() {
    move(Twips::screenToPixels(m_context.state.WindowLeft),
         Twips::screenToPixels(m_context.state.WindowTop));
}

void ScreenWindow::storePosition() {
    // A full-screen window stands at the screen's corner: the place to come back to stays.
    if (isFullScreen() || s_fullScreen)
        return;
    m_context.state.WindowLeft = Twips::roundHalfEven(Twips::screenFromPixels(pos().x()));
    m_context.state.WindowTop = Twips::roundHalfEven(Twips::screenFromPixels(pos().y()));
}

int ScreenWindow::outerWidth() const {
    if (isFullScreen() || s_fullScreen)
        return m_stage->width();
    return frameGeometry().width() - width() + m_stage->width();
}

QLabel* ScreenWindow::makeLabel(const QString& name, const QString& text, const LabelStyle& style) {
    auto* label = new QLabel(text, m_stage);
    label->setObjectName(name);
    QFont font(style.family);
    font.setPointSizeF(Twips::points(style.points));
    font.setBold(style.bold);
    label->setFont(font);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setTextFormat(Qt::PlainText);
    setLabelColor(label, style.color);
    label->move(Twips::toPixels(style.leftTwips), Twips::toPixels(style.topTwips));
    label->adjustSize();
    return label;
}

void ScreenWindow::setLabelColor(QLabel* label, const QColor& color) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
}

void ScreenWindow::closeEvent(QCloseEvent* event) {
    if (!m_unloaded) {
        m_unloaded = true;
        unload();
    }
    event->accept();
}

void ScreenWindow::setCaption(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}
