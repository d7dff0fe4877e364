#pragma once

#include "settings/GameOptions.h"

#include <QWidget>

#include <vector>

class ProgressModel;

// The keyboard picture of the progress window: QWERTY keys (or, for kana rounds, the JIS kana
// keys) coloured by their recent miss rate, the rate written on each key and the exact counts
// in its tooltip and accessible name.
class KeyboardView : public QWidget {
    Q_OBJECT
public:
    explicit KeyboardView(const ProgressModel& model, QWidget* parent = nullptr);

    // The key under a point of the widget, 0 when none.
    char32_t keyAt(const QPoint& point) const;
    QRectF keyRect(char32_t key) const;
    const ProgressModel& model() const { return m_model; }
    // Every key of the QWERTY picture, row by row.
    static const std::vector<char32_t>& keys();

    // Romaji rounds on QWERTY keys, or kana rounds on the kana keys, each key known by its kana.
    GameOptions::Input input() const { return m_input; }
    void setInput(GameOptions::Input input);
    // The keys drawn now, row by row, and the rows.
    const std::vector<char32_t>& shownKeys() const;
    const std::vector<std::vector<char32_t>>& rows() const;
    // What the key cap shows, and the key's counts, miss rate and name as they are read out.
    QString capLabel(char32_t key) const;
    QString toolTip(char32_t key) const;
    QString capRate(char32_t key) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    double unit() const; // width of one key cap, in pixels
    double columns() const;
    QColor colour(char32_t key) const;

    const ProgressModel& m_model;
    GameOptions::Input m_input = GameOptions::Input::Romaji;
};
