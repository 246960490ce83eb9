// The Preferences button's click.
#include "app/button_prefs.h"

#include "app/brimwick_app.h"
#include "app/main_window.h"

namespace brimwick::app {

ButtonPrefs::ButtonPrefs(BrimwickApp& app, QWidget* parent)
    : QPushButton("Preferences", parent), app_(app) {
    setGeometry(kPrefsButtonRect);
    connect(this, &QPushButton::clicked, this, &ButtonPrefs::onClicked);
}

void ButtonPrefs::onClicked() {
    app_.openPreferences();
}

}  // namespace brimwick::app
