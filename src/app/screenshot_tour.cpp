// The screenshot tour's steps, one timer after another.
#include "app/screenshot_tour.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>
#include <iostream>

#include "app/brimwick_app.h"
#include "app/main_window.h"
#include "app/preferences_dlg.h"

namespace brimwick::app {

namespace {

constexpr int kSettleMs = 800;          // the window and its fonts are drawn
constexpr int kTypingMs = 6000;         // LOAD"$",8 and LIST typed and run
constexpr int kPreferencesMs = 800;     // the dialog is open

void save(QWidget* widget, const QString& path) {
    if (widget == nullptr || !widget->grab().save(path, "PNG"))
        std::cerr << "brimwick: cannot save " << path.toStdString() << '\n';
    else
        std::cout << "saved " << path.toStdString() << '\n';
}

}  // namespace

void startScreenshotTour(BrimwickApp& app, const QString& directory) {
    QDir().mkpath(directory);
    QDir dir(directory);
    QTimer::singleShot(kSettleMs, &app, [&app, dir] {
        save(app.mainWindow(), dir.filePath("main-window.png"));
        app.mainWindow()->toggleTerminal();
        app.typeText("load\"$\",8\rlist\r");
        QTimer::singleShot(kTypingMs, &app, [&app, dir] {
            save(app.mainWindow(), dir.filePath("terminal.png"));
            if (app.emulatedView() != nullptr) save(app.emulatedView(), dir.filePath("emulated-c64.png"));
            app.mainWindow()->toggleTerminal();
            app.openPreferences();
            QTimer::singleShot(kPreferencesMs, &app, [&app, dir] {
                save(app.preferences(), dir.filePath("preferences.png"));
                if (app.preferences()) app.preferences()->close();
                app.mainWindow()->close();
            });
        });
    });
}

}  // namespace brimwick::app
