#include "screens/ScreenWindow.h"

#include "screens/GameContext.h"
#include "core/Twips.h"

#include <QCloseEvent>
#include <QFont>
#include <QLabel>
#include <QPalette>

ScreenWindow::ScreenWindow(GameContext& context, const QString& caption, QWidget* parent)
    : QWidget(parent), m_context(context) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);
    setFixedSize(Twips::toPixels(ClientWidthTwips), Twips::toPixels(ClientHeightTwips));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
}

void ScreenWindow::moveToStoredPosition() {
    move(Twips::toPixels(m_context.state.WindowLeft), Twips::toPixels(m_context.state.WindowTop));
}

void ScreenWindow::storePosition() {
    m_context.state.WindowLeft = Twips::roundHalfEven(Twips::fromPixels(pos().x()));
    m_context.state.WindowTop = Twips::roundHalfEven(Twips::fromPixels(pos().y()));
}

QLabel* ScreenWindow::makeLabel(const QString& name, const QString& text, const LabelStyle& style) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    QFont font(style.family);
    font.setPointSizeF(style.points);
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
