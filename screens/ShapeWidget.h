#pragma once

#include <QColor>
#include <QWidget>

// A filled shape with a white border, placed in twips: the round's lamp frame and lamps.
class ShapeWidget : public QWidget {
    Q_OBJECT
public:
    enum class Kind { RoundedRectangle, Circle };

    ShapeWidget(Kind kind, const QColor& fill, int leftTwips, int topTwips, int widthTwips,
                int heightTwips, QWidget* parent);

    void setFill(const QColor& fill);
    QColor fill() const { return m_fill; }
    Kind kind() const { return m_kind; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind m_kind;
    QColor m_fill;
};
