// The "Preferences" button: opens the Preferences dialog, unless one is
// open already (then nothing happens, and the open one stays where it is).
#pragma once

#include <QPushButton>

namespace brimwick::app {

class BrimwickApp;

class ButtonPrefs : public QPushButton {
    Q_OBJECT

  public:
    ButtonPrefs(BrimwickApp& app, QWidget* parent);

  private:
    void onClicked();
    BrimwickApp& app_;  // opens the dialog
};

}  // namespace brimwick::app
