// The "Terminal" button: switches the main window between its small
// normal size and the terminal, which shows the C64's screen and sends the
// keys typed into it to the C64.
#pragma once

#include <QPushButton>

namespace brimwick::app {

class MainWindow;
class ButtonTerminal : public QPushButton {
    Q_OBJECT

  public:
    ButtonTerminal(MainWindow& window, QWidget* parent);

  private:
    void onClicked();
    MainWindow& window_;  // the window it switches
};

}  // namespace brimwick::app
