// The Reset C64 button's click.
#include "app/button_reset_c64.h"

#include "app/brimwick_app.h"
#include "app/main_window.h"

namespace brimwick::app {

ButtonResetC64::ButtonResetC64(BrimwickApp& app, QWidget* parent)
    : QPushButton("Reset C64", parent), app_(app) {
    setGeometry(kResetButtonRect);
    connect(this, &QPushButton::clicked, this, &ButtonResetC64::onClicked);
}

void ButtonResetC64::onClicked() {
    app_.resetC64();
}

}  // namespace brimwick::app
