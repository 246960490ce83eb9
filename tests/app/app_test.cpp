// The desktop window under Qt's offscreen platform, attached to the virtual
// C64: layout, counters and their timer, terminal mode, typed keys, the
// buttons, the Preferences dialog, the drive selection, questions from the
// link thread, the hand-off from a second instance and the shutdown.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPaintEvent>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "app/brimwick_app.h"
#include "app/button_prefs.h"
#include "app/button_reset_c64.h"
#include "app/button_terminal.h"
#include "app/drive_selection.h"
#include "app/hand_off.h"
#include "app/main_window.h"
#include "app/preferences_dlg.h"
#include "config/status_file.h"
#include "d64/blank_image.h"
#include "d64/geometry.h"
#include "link/screen_mirror.h"
#include "c64/vc64/virtual_cable.h"
#include "platform/trace_log.h"
#include "temp_dir.h"

using namespace brimwick;
using brimwick::testing::TempDir;

namespace {

// Records message boxes and answers them with their default button.
struct RecordedDialogs : platform::UserDialogs {
    std::vector<std::string> texts;
    std::vector<std::string> captions;
    platform::MessageAnswer messageBox(std::string_view text, std::string_view caption,
                                       platform::MessageButtons buttons,
                                       platform::MessageIcon) override {
        texts.emplace_back(text);
        captions.emplace_back(caption);
        return platform::defaultAnswer(buttons);
    }
    std::optional<int> selectDrive(int preselected) override { return preselected; }
};

// Counts the paint events of a widget that cover exactly one rectangle.
struct PaintCounter : QObject {
    QRect rect;
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && static_cast<QPaintEvent*>(e)->rect() == rect) ++count;
        return false;
    }
};

// The Preferences dialog on default settings, recording what OK hands over.
struct PreferencesScene {
    config::Settings settings{};
    RecordedDialogs dialogs;
    shell::DesktopInstaller installer;
    std::optional<config::Settings> applied;  // what the last OK applied

    PreferencesScene() { config::resetSettings(settings); }
    std::unique_ptr<app::PreferencesDlg> open() {
        applied.reset();
        auto dlg = std::make_unique<app::PreferencesDlg>(
            nullptr, settings, dialogs, installer,
            [this](const config::Settings& e) { applied = e; });
        dlg->show();
        return dlg;
    }
};

int occurrences(const std::string& text, const std::string& part) {
    int n = 0;
    for (auto p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
    return n;
}

std::string writeBlankImage(const std::string& path) {
    std::vector<std::uint8_t> image(d64::kImageSize);
    d64::formatBlankImage(image.data());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    return path;
}

}  // namespace

class AppTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> home_;     // program directory, HOME and runtime directory
    std::unique_ptr<app::BrimwickApp> app_;

    app::BrimwickApp& start(app::AppOptions options = {}) {
        options.virtualC64 = true;
        app_ = std::make_unique<app::BrimwickApp>(options);
        if (!app_->initInstance()) qFatal("the window did not start");
        return *app_;
    }
    app::MainWindow& window() { return *app_->mainWindow(); }
    std::string trace() { return platform::traceLog().capturedCopy(); }
    // The terminal's row, as the window paints it.
    std::string terminalRow(int row) {
        auto screen = app_->terminal().screen();
        std::string text;
        for (int c = 0; c < link::kScreenColumns; ++c)
            text += static_cast<char>(screen[static_cast<std::size_t>(row * link::kScreenColumns + c)]);
        return text.substr(0, text.find_last_not_of(' ') + 1);
    }
    c64::vc64::VirtualCable& cable() {
        return *dynamic_cast<c64::vc64::VirtualCable*>(app_->backend().dispatcher().link.io);
    }

  private slots:
    void init() {
        home_ = std::make_unique<TempDir>();
        qputenv("BRIMWICK_HOME", QByteArray::fromStdString(home_->path()));
        qputenv("HOME", QByteArray::fromStdString(home_->path()));
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(home_->path()));
        qunsetenv("XDG_DATA_HOME");
        platform::traceLog().captureInMemory();
    }
    void cleanup() {
        app_.reset();
        platform::traceLog().close();
        home_.reset();
    }

    void windowLayout() {
        start();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        QCOMPARE(window().windowTitle(), QString("Brimwick"));
        QCOMPARE(window().size(), QSize(280, 106));
        QCOMPARE(window().minimumSize(), window().maximumSize());
        QVERIFY(!(window().windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window().windowFlags() & Qt::WindowMinimizeButtonHint);
        QRect area = window().screen()->availableGeometry();
        QCOMPARE(window().pos(), area.center() - QPoint(140, 53));
        QCOMPARE(window().normalRect, QRect(window().pos(), QSize(280, 106)));
        struct {
            QPushButton* button;
            const char* text;
            QRect rect;
        } buttons[] = {{window().prefsButton(), "Preferences", QRect(0, 0, 70, 23)},
                       {window().resetButton(), "Reset C64", QRect(70, 0, 70, 23)},
                       {window().terminalButton(), "Terminal", QRect(140, 0, 60, 23)}};
        for (auto& b : buttons) {
            QCOMPARE(b.button->text(), QString(b.text));
            QCOMPARE(b.button->geometry(), b.rect);
            QCOMPARE(b.button->font(), window().buttonFont());
        }
        QCOMPARE(app::kLabelRect, QRect(QPoint(15, 28), QPoint(129, 69)));
        QCOMPARE(app::kCounterRect, QRect(QPoint(140, 28), QPoint(249, 69)));
        QVERIFY(window().counterFont().bold());
        QVERIFY(window().terminalFont().bold());
        // The labels fit their rectangle in whatever face was found.
        QFontMetrics metrics(window().counterFont());
        QRect used = metrics.boundingRect(app::kLabelRect, Qt::AlignLeft | Qt::AlignTop,
                                          app::kLabelText);
        QVERIFY(app::kLabelRect.contains(used));
        // The counters on yellow, the labels on the window's own background.
        QImage shot = window().grab().toImage();
        QCOMPARE(shot.pixelColor(141, 29), QColor(255, 255, 0));
        QVERIFY(shot.pixelColor(16, 29) != QColor(255, 255, 0));
    }

    void counterTimerStopsWhenMinimizedAndStartsWithThePaint() {
        start();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        QTRY_VERIFY(window().timerActive);
        QCOMPARE(occurrences(trace(), "\n\n AKTIVIERE TIMER\n"), 1);
        PaintCounter counter;
        counter.rect = app::kCounterRect;
        window().installEventFilter(&counter);
        QTest::qWait(1000);
        QVERIFY2(counter.count >= 2 && counter.count <= 5, "one counter repaint per 300 ms");
        window().removeEventFilter(&counter);
        // The counters show the link's.
        QTRY_COMPARE(window().counterText(),
                     QString("%1\n%2").arg(app_->linkThread().bytesRead()).arg(
                         app_->linkThread().bytesWritten()));
        window().showMinimized();
        QTRY_VERIFY_WITH_TIMEOUT(!window().timerActive, 400);
        QCOMPARE(occurrences(trace(), "\n\n DEAKTIVIERE TIMER 1"), 1);
        window().showNormal();
        window().update();
        QTRY_VERIFY(window().timerActive);
        QCOMPARE(occurrences(trace(), "\n\n AKTIVIERE TIMER\n"), 2);
    }

    void terminalGeometryBothWays() {
        start();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        QRect normal = window().normalRect;
        QTest::mouseClick(window().terminalButton(), Qt::LeftButton);
        QVERIFY(window().terminalMode);
        QVERIFY(app_->terminal().terminalShown());
        QCOMPARE(window().pos(), QPoint(200, 200));
        QCOMPARE(window().size(), QSize(531, 527));
        QVERIFY(window().hasFocus() || QApplication::focusWidget() == &window() ||
                QApplication::focusWidget() == nullptr);
        window().move(20, 30);
        QTest::mouseClick(window().terminalButton(), Qt::LeftButton);
        QVERIFY(!window().terminalMode);
        QVERIFY(!app_->terminal().terminalShown());
        QCOMPARE(window().pos(), normal.topLeft());
        QCOMPARE(window().size(), QSize(280, 106));
        QTest::mouseClick(window().terminalButton(), Qt::LeftButton);
        QCOMPARE(window().pos(), QPoint(200, 200));
    }

    void typedKeysReachTheVirtualC64() {
        start();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        // Terminal off: logged and dropped.
        QTest::keyClick(&window(), 'x');
        QVERIFY(trace().find("\n taste = 120  ") != std::string::npos);
        QTest::mouseClick(window().terminalButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(terminalRow(0), std::string("READY."), 3000);
        for (char key : std::string("list")) {
            QTest::keyClick(&window(), key);
            // One key at a time: a key typed before the last was delivered replaces it.
            QTRY_VERIFY_WITH_TIMEOUT(terminalRow(1).size() > 0 &&
                                         terminalRow(1).back() == static_cast<char>(key - 32),
                                     3000);
        }
        QCOMPARE(terminalRow(1), std::string("LIST"));
        QVERIFY(trace().find("\n taste = 108  ") != std::string::npos);
        QVERIFY(window().counterText() != "0\n0");
        // The virtual C64 is painted as a C64 shows it: its VIC-II picture,
        // a light blue border round a blue screen, READY. in light blue.
        const QColor lightBlue(0x6C, 0x5E, 0xB5), blue(0x35, 0x28, 0x79);
        QImage shot = window().grab().toImage();
        QCOMPARE(shot.pixelColor(1, app::kTerminalTop + 1), lightBlue);
        const double scale = 520.0 / 384.0;  // the picture as wide as the terminal
        const int top = app::kTerminalTop + (425 - 520 * 272 / 384) / 2;
        auto screenPixel = [&](int x, int y) {  // in the C64's 320 x 200 window
            return shot.pixelColor(static_cast<int>((32 + x) * scale),
                                   top + static_cast<int>((36 + y) * scale));
        };
        QCOMPARE(screenPixel(160, 100), blue);
        bool text = false;
        for (int x = 0; x < 6 * 8 && !text; ++x)
            for (int y = 0; y < 8 && !text; ++y) text = screenPixel(x, y) == lightBlue;
        QVERIFY2(text, "READY. in light blue");
    }

    void loadDirectoryAndListShowTheServedDisk() {
        app::AppOptions options;
        options.drives = {std::string("8=") + BRIMWICK_DEMO_DISK};
        start(options);
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        QTest::mouseClick(window().terminalButton(), Qt::LeftButton);
        app_->typeText("load\"$\",8\rlist\r");
        // The listing ends with the free blocks and READY.
        auto screenText = [&] {
            std::string all;
            for (int r = 0; r < link::kScreenRows; ++r) all += terminalRow(r) + "\n";
            return all;
        };
        QTRY_VERIFY_WITH_TIMEOUT(screenText().find("BLOCKS FREE.") != std::string::npos, 10000);
        std::string screen = screenText();
        for (const char* name : {"\"README\"", "\"HELLO\"", "\"COLOURS\""})
            QVERIFY2(screen.find(name) != std::string::npos, screen.c_str());
        QVERIFY2(screen.find("LOADING") != std::string::npos || screen.find("SEARCHING") != std::string::npos,
                 screen.c_str());
        QVERIFY(window().counterText() != "0\n0");
    }

    void resetButtonResetsAndTypesTheSequence() {
        config::Settings s{};
        config::resetSettings(s);
        std::strcpy(s.resetSequences[1], "poke53280,0\r");
        s.resetSequenceIndex = 1;
        std::array<drive::DriveUnit, config::kDriveCount> none;
        QVERIFY(config::saveSettings(s, none, home_->path() + "/"));
        start();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        QTest::mouseClick(window().terminalButton(), Qt::LeftButton);
        QTest::mouseClick(window().resetButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(terminalRow(1), std::string("POKE53280,0"), 5000);
        int resets = 0;
        app_->call([&] { resets = cable().resets; });
        QCOMPARE(resets, 1);
    }

    void startMinimizedAndStatusWrittenAtExit() {
        config::Settings s{};
        config::resetSettings(s);
        s.startMinimized = 1;
        std::array<drive::DriveUnit, config::kDriveCount> none;
        QVERIFY(config::saveSettings(s, none, home_->path() + "/"));
        std::filesystem::remove(home_->file("Status.ini"));
        QVERIFY(config::saveSettings(s, none, home_->path() + "/"));
        start();
        QVERIFY(window().isMinimized());
        QVERIFY(app_->terminal().minimized());
        std::filesystem::remove(home_->file("Status.ini"));
        app_->exitInstance();
        QVERIFY(std::filesystem::exists(home_->file("Status.ini")));
        QVERIFY(!window().isVisible());
    }

    void preferencesShowTheDefaults() {
        PreferencesScene scene;
        auto opened = scene.open();
        app::PreferencesDlg& dlg = *opened;
        QCOMPARE(dlg.windowTitle(), QString("Brimwick Preferences"));
        QCOMPARE(dlg.driveList()->count(), 10);
        QCOMPARE(dlg.driveList()->currentText(), QString("8"));
        QCOMPARE(dlg.portList()->currentText(), QString("none"));
        QCOMPARE(dlg.portList()->itemText(2), QString("PORT 2  (0x378)"));
        QVERIFY(!dlg.minimizedBox()->isChecked());
        QVERIFY(dlg.errorsBox()->isChecked());
        QVERIFY(dlg.successBox()->isChecked());
        QVERIFY(!dlg.startBox()->isChecked());
        QVERIFY(dlg.addressBox()->isChecked());
        QCOMPARE(dlg.resetBox()->count(), 5);
        QCOMPARE(dlg.resetBox()->currentIndex(), 0);
        QCOMPARE(dlg.resetBox()->currentText(), QString());
        QCOMPARE(dlg.okButton()->text(), QString("OK"));
        QCOMPARE(dlg.cancelButton()->text(), QString("Abbrechen"));
        QVERIFY(!dlg.isModal());
    }

    void preferencesResetSequenceRules() {
        PreferencesScene scene;
        auto& applied = scene.applied;
        {
            // Edit 0, open the list, choose 2, close, type, OK.
            auto opened = scene.open();
            app::PreferencesDlg& dlg = *opened;
            dlg.resetBox()->setEditText("first");
            dlg.resetBox()->showPopup();
            QCOMPARE(dlg.resetBox()->itemText(0), QString("first"));
            dlg.resetBox()->setCurrentIndex(2);
            dlg.resetBox()->hidePopup();
            QCOMPARE(dlg.resetIndex, 2);
            dlg.resetBox()->setEditText("third");
            dlg.portList()->setCurrentIndex(2);
            dlg.okButton()->click();
            QVERIFY(applied);
            QCOMPARE(std::string(applied->resetSequences[0]), std::string("first"));
            QCOMPARE(std::string(applied->resetSequences[2]), std::string("third"));
            QCOMPARE(applied->resetSequenceIndex, 2);
            QCOMPARE(applied->portChoice, 2);
            QVERIFY(!dlg.isVisible());
        }
        {
            // Typed into entry 0 and OK without opening the list.
            auto opened = scene.open();
            app::PreferencesDlg& dlg = *opened;
            QTest::keyClicks(dlg.resetBox()->lineEdit(), "run\r");
            dlg.okButton()->click();
            QVERIFY(applied);
            QCOMPARE(std::string(applied->resetSequences[0]), std::string("run"));
            QCOMPARE(applied->resetSequenceIndex, 0);
        }
        {
            // Cancel writes nothing.
            auto opened = scene.open();
            app::PreferencesDlg& dlg = *opened;
            dlg.resetBox()->setEditText("changed");
            dlg.minimizedBox()->setChecked(true);
            dlg.cancelButton()->click();
            QVERIFY(!applied);
            QVERIFY(!dlg.isVisible());
        }
        QVERIFY(scene.dialogs.texts.empty());
    }

    void preferencesRefuseMoreThan100Characters() {
        PreferencesScene scene;
        auto& applied = scene.applied;
        auto& dialogs = scene.dialogs;
        auto opened = scene.open();
        app::PreferencesDlg& dlg = *opened;
        dlg.resetBox()->setEditText(QString(101, 'a'));
        dlg.okButton()->click();
        QVERIFY(!applied);
        QVERIFY(dlg.isVisible());
        QCOMPARE(dialogs.texts.size(), std::size_t{1});
        QCOMPARE(dialogs.texts[0], std::string("Geben Sie bitte nicht mehr als 100 Zeichen ein."));
        dlg.resetBox()->setEditText(QString(100, 'a'));
        dlg.okButton()->click();
        QVERIFY(applied);
        QCOMPARE(std::strlen(applied->resetSequences[0]), std::size_t{100});
        // The info box.
        dlg.show();
        for (auto* b : dlg.findChildren<QPushButton*>())
            if (b->text() == "info") b->click();
        QVERIFY(dialogs.texts.back().starts_with("April-01-2004 ( in fact 20-Nov-2000 )\n\n\n"));
        QVERIFY(dialogs.texts.back().ends_with(std::string("\nBrimwick ") + BRIMWICK_VERSION + "\n"));
        QCOMPARE(dialogs.captions.back(), std::string("Brimwick"));
    }

    void preferencesThroughTheWindowAtMostOneAndApplied() {
        start();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        QTest::mouseClick(window().prefsButton(), Qt::LeftButton);
        QTest::mouseClick(window().prefsButton(), Qt::LeftButton);
        QTRY_VERIFY(app_->preferences() != nullptr);
        QTest::mouseClick(window().prefsButton(), Qt::LeftButton);
        QTest::qWait(100);
        QCOMPARE(window().findChildren<app::PreferencesDlg*>().size(), 1);
        app::PreferencesDlg* dlg = app_->preferences();
        int realDevice8 = app_->settingsCopy().realDevice[3];
        dlg->driveList()->setCurrentIndex(5);
        dlg->startBox()->setChecked(true);
        dlg->okButton()->click();
        QTRY_VERIFY(app_->preferences() == nullptr);
        config::Settings now = app_->settingsCopy();
        QCOMPARE(now.currentDrive, 5);
        QCOMPARE(now.startAssembled, 1);
        QCOMPARE(now.realDevice[3], realDevice8);
        // Closed: the button opens one again.
        QTest::mouseClick(window().prefsButton(), Qt::LeftButton);
        QTRY_VERIFY(app_->preferences() != nullptr);
        app_->preferences()->cancelButton()->click();
        QTRY_VERIFY(app_->preferences() == nullptr);
    }

    void driveSelectionDefaultsToDevice9() {
        app::DriveSelection dialog;
        QCOMPARE(dialog.windowTitle(), QString("Select Drive"));
        QCOMPARE(dialog.selectedDrive, 4);
        QTimer::singleShot(0, &dialog, [&] {
            QCOMPARE(dialog.list()->currentText(), QString("9"));
            dialog.accept();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(dialog.selectedDrive, 4);
        QTimer::singleShot(0, &dialog, [&] {
            dialog.list()->setCurrentIndex(0);
            dialog.reject();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(dialog.selectedDrive, 4);
    }

    void aShellCommandAsksTheWindowWhileTheLinkWaits() {
        start();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        std::string image = writeBlankImage(home_->file("game.d64"));
        // The dialogs run their own event loops: a timer looks at them.
        QString shownDevice;
        std::uint64_t stepsWhileOpen = 0;
        bool linkWaited = false;
        bool chosen = false;
        bool seen = false;
        QString boxText;
        QWidget* boxParent = nullptr;
        QTimer handler;
        handler.setInterval(20);
        connect(&handler, &QTimer::timeout, [&] {
            app::DriveSelection* selection = nullptr;
            QMessageBox* box = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (!w->isVisible()) continue;
                if (auto* s = qobject_cast<app::DriveSelection*>(w)) selection = s;
                if (auto* b = qobject_cast<QMessageBox*>(w)) box = b;
            }
            if (selection != nullptr) {
                if (!seen) {
                    seen = true;
                    shownDevice = selection->list()->currentText();
                    stepsWhileOpen = app_->linkThread().steps();
                    return;  // the next tick shows whether the link moved on
                }
                linkWaited = app_->linkThread().steps() == stepsWhileOpen;
                selection->list()->setCurrentIndex(5);
                selection->accept();
                chosen = true;
            } else if (box != nullptr) {
                boxText = box->text();
                boxParent = box->parentWidget();
                box->accept();
            }
        });
        handler.start();
        // IDS_ asks for the drive on the window's thread.
        app_->execute("IDS_" + image);
        // Asking the link thread anything before the answer would wait forever.
        QTRY_VERIFY_WITH_TIMEOUT(chosen, 5000);
        std::string served;
        QTRY_VERIFY_WITH_TIMEOUT([&] {
            app_->call([&] { served = app_->backend().drives()[5].path; });
            return served == image;
        }(), 5000);
        QCOMPARE(shownDevice, QString("9"));
        QVERIFY2(linkWaited, "no request is served while the selection is open");
        // A failure arrives as a message box owned by the window.
        app_->execute("ID__" + home_->file("missing.d64"));
        QTRY_VERIFY_WITH_TIMEOUT(boxText.contains("missing.d64"), 5000);
        QCOMPARE(boxParent, static_cast<QWidget*>(&window()));
        std::uint64_t steps = app_->linkThread().steps();
        QTRY_VERIFY(app_->linkThread().steps() > steps + 5);
    }

    void aSecondInstanceHandsItsFilesOver() {
        app::AppOptions options;
        options.listen = true;
        start(options);
        QVERIFY(app_->runningInstance()->server() != nullptr);
        std::string image = writeBlankImage(home_->file("disk.d64"));
        QCOMPARE(app::executeStringForFile(image), "ID__" + image);
        QCOMPARE(app::executeStringForFile(home_->file("GAME.PRG")), "L___" + home_->file("GAME.PRG"));
        QCOMPARE(app::executeStringForFile(home_->file("x.txt")), std::string());
        QCOMPARE(app::executeStringForFile(home_->file("x.txt"), "CASC"), "CASC" + home_->file("x.txt"));
        QCOMPARE(app::handToRunningWindow({app::executeStringForFile(image)}),
                 app::HandOff::Delivered);
        std::string served;
        QTRY_VERIFY([&] {
            app_->call([&] { served = app_->backend().drives()[3].path; });
            return served == image;
        }());
        app_->exitInstance();
        QCOMPARE(app::handToRunningWindow({"ID__" + image}), app::HandOff::StartHere);
    }
};

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qt(argc, argv);
    AppTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "app_test.moc"
