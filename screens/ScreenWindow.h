#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

class QLabel;
struct GameContext;

// Look of a self-sizing, transparent label; positions are in twips.
struct LabelStyle {
    QString family;
    double points = 9;
    bool bold = false;
    QColor color = Qt::white;
    int leftTwips = 0;
    int topTwips = 0;
};

// Base of the full-size screens: a black client area of 10020 x 5385 twips, the window
// hand-over through WindowLeft/WindowTop, F11 full screen, and an unload step that runs
// however it closes.
class ScreenWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int ClientWidthTwips = 10020;
    static constexpr int ClientHeightTwips = 5385;

    ScreenWindow(GameContext& context, const QString& caption, QWidget* parent = nullptr);

    // The screen's controls stand on this area: the whole window, or its centre at full screen.
    QWidget* stage() const { return m_stage; }
    // F11: full screen with the content at the largest size that fits, or back to the window.
    void toggleFullScreen();
    static bool fullScreenChosen() { return s_fullScreen; }

protected:
    // Moves the window (its frame's top-left corner) to WindowLeft/WindowTop.
    void moveToStoredPosition();
    // Stores the window's left and top, in whole twips, in WindowLeft/WindowTop.
    void storePosition();
    // The window's outer width, frame included; at full screen the content's width.
    int outerWidth() const;

    QLabel* makeLabel(const QString& name, const QString& text, const LabelStyle& style);
    static void setLabelColor(QLabel* label, const QColor& color);
    // Sets a self-sizing label's caption and fits the label to it.
    static void setCaption(QLabel* label, const QString& text);

    // The screen's unload handler; runs once, when the window closes for any reason.
    virtual void unload() {}
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    GameContext& m_context;

private:
    void fitWindowToStage();
    void rescaleStage(double from, double to);

    QWidget* m_stage;
    bool m_unloaded = false;

    // Shared by every screen: the next one opens as the last one was left.
    static inline bool s_fullScreen = false;
    static inline double s_windowScale = 0; // the factor to return to from full screen
};
