// The main window: a small fixed frame with the three buttons, the link's
// two byte counters and, in terminal mode, the C64's 40 x 25 text screen,
// cyan on blue, or for the virtual C64 the C64's own picture (its VIC-II
// picture with border, colours, character set and cursor); keys typed into
// it then go to the C64. The counters are
// repainted by a 300 ms timer that stops itself while the window is
// minimized and starts again with the next paint.
#pragma once

#include <cstdint>
#include <vector>

#include <QFont>
#include <QRect>
#include <QTimer>
#include <QWidget>

namespace brimwick::app {

class BrimwickApp;
class ButtonPrefs;
class ButtonResetC64;
class ButtonTerminal;

// Layout in client coordinates (left, top, width, height).
inline constexpr int kWindowWidth = 280;
inline constexpr int kWindowHeight = 106;
inline const QRect kPrefsButtonRect{0, 0, 70, 23};
inline const QRect kResetButtonRect{70, 0, 70, 23};
inline const QRect kTerminalButtonRect{140, 0, 60, 23};
inline const QRect kLabelRect{15, 28, 115, 42};
inline const QRect kCounterRect{140, 28, 110, 42};
inline constexpr int kTerminalTop = 70;         // y of row 0
inline constexpr int kTerminalRowHeight = 17;   // between rows
inline constexpr int kTerminalCellWidth = 13;   // 40 columns fit the terminal window
inline const QRect kTerminalGeometry{200, 200, 531, 527};
inline constexpr int kCounterTimerMs = 300;
inline constexpr const char* kCaption = "Brimwick";
inline constexpr const char* kLabelText = "Bytes Read:\nBytes Written:";

// Qt's nearest face for a font of the given cell height (ascent plus
// descent, as the window system counted it) and weight.
QFont fontForCellHeight(const QString& family, int cellHeight, int weight, bool fixedPitch);
// The same font made smaller until `text` fits into `box` (faces wider than
// the original's would cut the labels off).
QFont fitFont(QFont font, const QString& text, const QRect& box);

class MainWindow : public QWidget {
    Q_OBJECT

  public:
    explicit MainWindow(BrimwickApp& app);
    ~MainWindow() override;

    bool terminalMode = false;  // the terminal is shown and takes keys
    bool timerActive = false;   // the counter timer runs
    QRect normalRect;           // frame position and client size right after centring

    // Centres the window on its screen and keeps that place for normal mode.
    void centre();
    // The Terminal button: switches terminal mode and the geometry.
    void toggleTerminal();
    // The link mirrored a full screen: repaint the terminal rows.
    void invalidateTerminal();

    ButtonPrefs* prefsButton() const { return prefs_; }
    ButtonResetC64* resetButton() const { return reset_; }
    ButtonTerminal* terminalButton() const { return terminal_; }
    const QFont& counterFont() const { return counterFont_; }
    const QFont& terminalFont() const { return terminalFont_; }
    const QFont& buttonFont() const { return buttonFont_; }
    QTimer& counterTimer() { return timer_; }
    // The text the counters show now.
    QString counterText() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

  private:
    void counterTick();
    // The terminal area showing the C64's own picture (LinkBackend::picture).
    void paintPicture(QPainter& painter, const std::vector<std::uint32_t>& picture);
    // The character code a key event types, 0 for none.
    static int characterOf(const QKeyEvent& event);

    BrimwickApp& app_;         // link, settings, dialogs
    QFont buttonFont_;         // the three buttons
    QFont counterFont_;        // labels and counters
    QFont terminalFont_;       // terminal rows
    QTimer timer_;             // the counter timer
    ButtonPrefs* prefs_;       // "Preferences"
    ButtonResetC64* reset_;    // "Reset C64"
    ButtonTerminal* terminal_; // "Terminal"
};

}  // namespace brimwick::app
