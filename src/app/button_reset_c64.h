// The "Reset C64" button: resets the C64 through the cable and types the
// selected reset sequence. Without a parallel port it does nothing.
#pragma once

#include <QPushButton>

namespace brimwick::app {

class BrimwickApp;

class ButtonResetC64 : public QPushButton {
    Q_OBJECT

  public:
    ButtonResetC64(BrimwickApp& app, QWidget* parent);

  private:
    void onClicked();
    BrimwickApp& app_;  // the link thread does the reset
};

}  // namespace brimwick::app
