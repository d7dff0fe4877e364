#pragma once

#include <QWidget>

#include <vector>

class ProgressModel;

// The keyboard picture of the progress window: QWERTY keys coloured by their recent miss rate,
// the rate written on each key and the exact counts in its tooltip and accessible name.
class KeyboardView : public QWidget {
    Q_OBJECT
public:
    explicit KeyboardView(const ProgressModel& model, QWidget* parent = nullptr);

    // The key under a point of the widget, 0 when none.
    char32_t keyAt(const QPoint& point) const;
    QRectF keyRect(char32_t key) const;
    const ProgressModel& model() const { return m_model; }
    // Every key of the picture, row by row.
    static const std::vector<char32_t>& keys();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    double unit() const; // width of one key cap, in pixels

    const ProgressModel& m_model;
};
