// The window's view of the emulated C64 under Qt's offscreen platform: the
// keys' places, keys held and let go, the frames it shows, and the whole
// window booting the Open ROMs when they are there.
#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "app/brimwick_app.h"
#include "app/emulated_view.h"
#include "c64/machine/vic2.h"
#include "c64/machine/vic_palette.h"
#include "temp_dir.h"

using namespace brimwick;
using namespace brimwick::app;

class EmulatedViewTest : public QObject {
    Q_OBJECT

  private slots:
    void keysArePressedByTheirPlace() {
        struct Case {
            int qtKey;                          // the PC key
            std::vector<c64::MatrixKey> keys;   // the C64 keys
            bool restore;                       // RESTORE
        };
        const Case cases[] = {
            {Qt::Key_A, {{1, 2}}, false},
            {Qt::Key_Exclam, {{7, 0}}, false},  // shift+1 is the 1 key (the PC's shift is held too)
            {Qt::Key_Minus, {{5, 0}}, false},   // where the C64 has +
            {Qt::Key_Return, {c64::kKeyReturn}, false},
            {Qt::Key_Up, {c64::kKeyRightShift, c64::kKeyCursorDown}, false},
            {Qt::Key_F2, {c64::kKeyRightShift, c64::kKeyF1}, false},
            {Qt::Key_Escape, {c64::kKeyRunStop}, false},
            {Qt::Key_PageUp, {}, true},
            {Qt::Key_F12, {}, false},
        };
        for (const Case& c : cases) {
            bool restore = false;
            QCOMPARE(c64KeysFor(c.qtKey, restore), c.keys);
            QCOMPARE(restore, c.restore);
        }
    }

    void heldKeysReachTheMatrixAndFramesTheView() {
        EmulatedScreen screen;
        EmulatedView view(screen);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.size(), QSize(2 * c64::kPictureWidth, 2 * c64::kPictureHeight));
        std::array<std::uint8_t, 8> columns{};
        bool restore = false;
        QTest::keyPress(&view, Qt::Key_A);
        QTest::keyPress(&view, Qt::Key_PageUp);
        screen.keys(columns, restore);
        QCOMPARE(int(columns[1]), 0x04);
        QVERIFY(restore);
        QTest::keyRelease(&view, Qt::Key_A);
        QTest::keyRelease(&view, Qt::Key_PageUp);
        screen.keys(columns, restore);
        QCOMPARE(int(columns[1]), 0);
        QVERIFY(!restore);

        std::vector<std::uint8_t> frame(static_cast<std::size_t>(c64::kPictureWidth * c64::kPictureHeight), 2);
        screen.putFrame(frame);
        QTRY_COMPARE(view.picture(), frame);
        view.resize(1000, 300);  // wider than the C64's aspect: black beside it
        QImage image = view.grab().toImage();
        QCOMPARE(image.pixel(500, 150) & 0xFFFFFF, c64::kPalette[2]);
        QCOMPARE(image.pixel(5, 150) & 0xFFFFFF, 0u);
    }

    void theWindowBootsTheOpenRoms() {
        const char* source = std::getenv("BRIMWICK_SOURCE_DIR");
        const char* env = std::getenv("BRIMWICK_OPEN_ROMS");
        std::string dir = env != nullptr && *env != '\0'
                              ? std::string(env)
                              : std::string(source != nullptr ? source : ".") + "/../shared/test-data/open-roms";
        if (!std::filesystem::exists(dir + "/kernal_generic.rom"))
            QSKIP(("the Open ROMs are not at " + dir + " (set BRIMWICK_OPEN_ROMS)").c_str());
        brimwick::testing::TempDir home;
        ::setenv("BRIMWICK_HOME", home.path().c_str(), 1);
        AppOptions options;
        options.emulated.roms.directory = dir;
        options.emulated.asIs = true;
        options.listen = false;
        {
            BrimwickApp app(options);
            QVERIFY(app.initInstance());
            QVERIFY(app.emulatedView() != nullptr);
            // The frames come in real time; the picture fills with the
            // screen's text (the border colour alone before the boot).
            QTRY_VERIFY_WITH_TIMEOUT(
                std::count(app.emulatedView()->picture().begin(), app.emulatedView()->picture().end(), 1) > 500,
                10000);
            app.exitInstance();
        }
        // --roms is kept for the next start.
        std::ifstream in(home.file("Dos.ini"));
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        QVERIFY(text.find("roms=") != std::string::npos);
        ::unsetenv("BRIMWICK_HOME");
    }
};

QTEST_MAIN(EmulatedViewTest)
#include "emulated_view_test.moc"
