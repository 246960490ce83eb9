// The Terminal button's click.
#include "app/button_terminal.h"

#include "app/main_window.h"

namespace brimwick::app {

ButtonTerminal::ButtonTerminal(MainWindow& window, QWidget* parent)
    : QPushButton("Terminal", parent), window_(window) {
    setGeometry(kTerminalButtonRect);
    connect(this, &QPushButton::clicked, this, &ButtonTerminal::onClicked);
}

void ButtonTerminal::onClicked() {
    window_.toggleTerminal();
}

}  // namespace brimwick::app
