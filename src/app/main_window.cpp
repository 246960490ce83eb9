// Painting, the counter timer, terminal mode and the keyboard of the main
// window.
#include "app/main_window.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "app/brimwick_app.h"
#include "app/button_prefs.h"
#include "app/button_reset_c64.h"
#include "app/button_terminal.h"
#include "c64/machine/vic2.h"
#include "link/screen_mirror.h"
#include "platform/trace_log.h"

namespace brimwick::app {

using platform::traceLog;

namespace {

const QColor kCounterBackground(255, 255, 0);
const QColor kTerminalText(0, 255, 255);
const QColor kTerminalBackground(64, 64, 255);

// The display characters of the screen mirror that a PC font shows
// otherwise: the C64's pound sign, up arrow and left arrow.
QChar displayChar(std::uint8_t c) {
    switch (c) {
        case 0x5C:
            return QChar(0x00A3);  // £
        case 0x5E:
            return QChar(0x2191);  // ↑
        case 0x5F:
            return QChar(0x2190);  // ←
        default:
            break;
    }
    if (c < 0x20 || c >= 0x7F) return QChar(' ');
    return QChar(c);
}

}  // namespace

QFont fontForCellHeight(const QString& family, int cellHeight, int weight, bool fixedPitch) {
    QFont font(family);
    font.setStyleHint(fixedPitch ? QFont::TypeWriter : QFont::SansSerif);
    font.setFixedPitch(fixedPitch);
    font.setWeight(static_cast<QFont::Weight>(weight));
    int size = cellHeight;
    font.setPixelSize(size);
    while (size > 6 && QFontMetrics(font).height() > cellHeight) font.setPixelSize(--size);
    return font;
}

QFont fitFont(QFont font, const QString& text, const QRect& box) {
    int size = font.pixelSize();
    while (size > 6) {
        QRect used = QFontMetrics(font).boundingRect(box, Qt::AlignLeft | Qt::AlignTop, text);
        if (used.width() <= box.width() && used.height() <= box.height()) break;
        font.setPixelSize(--size);
    }
    return font;
}

MainWindow::MainWindow(BrimwickApp& app)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      app_(app),
      buttonFont_(fontForCellHeight("MS Sans Serif", 10, 400, false)),
      counterFont_(fitFont(fontForCellHeight("MS Sans Serif", 20, 700, false), kLabelText,
                           kLabelRect)),
      terminalFont_(fontForCellHeight("Courier", kTerminalRowHeight, 700, true)) {
    setWindowTitle(kCaption);
    setFixedSize(kWindowWidth, kWindowHeight);
    setFocusPolicy(Qt::StrongFocus);
    prefs_ = new ButtonPrefs(app, this);
    reset_ = new ButtonResetC64(app, this);
    terminal_ = new ButtonTerminal(*this, this);
    for (QWidget* button : {static_cast<QWidget*>(prefs_), static_cast<QWidget*>(reset_),
                            static_cast<QWidget*>(terminal_)}) {
        button->setFont(buttonFont_);
        // Keys go to the window (and in terminal mode to the C64), not to a button.
        button->setFocusPolicy(Qt::NoFocus);
        button->show();
    }
    timer_.setInterval(kCounterTimerMs);
    connect(&timer_, &QTimer::timeout, this, &MainWindow::counterTick);
}

MainWindow::~MainWindow() = default;

void MainWindow::centre() {
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(kWindowWidth / 2, kWindowHeight / 2));
    }
    normalRect = QRect(pos(), size());
}

void MainWindow::toggleTerminal() {
    terminalMode = !terminalMode;
    app_.terminal().setShown(terminalMode);
    if (terminalMode) {
        setFixedSize(kTerminalGeometry.size());
        move(kTerminalGeometry.topLeft());
        raise();
        activateWindow();
        setFocus();
    } else {
        setFixedSize(normalRect.size());
        move(normalRect.topLeft());
        raise();
    }
    update();
}

void MainWindow::invalidateTerminal() {
    if (terminalMode && !isMinimized())
        update(QRect(0, kTerminalTop, width(), height() - kTerminalTop));
}

QString MainWindow::counterText() const {
    return QString("%1\n%2")
        .arg(app_.linkThread().bytesRead())
        .arg(app_.linkThread().bytesWritten());
}

void MainWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    QRect update = event->rect();
    painter.setFont(counterFont_);
    if (update.intersects(kLabelRect)) {
        painter.setBackgroundMode(Qt::TransparentMode);
        painter.drawText(kLabelRect, Qt::AlignLeft | Qt::AlignTop, kLabelText);
    }
    if (update.intersects(kCounterRect)) {
        // Opaque yellow behind the text only, as the window system drew it.
        QString text = counterText();
        QRect used = painter.boundingRect(kCounterRect, Qt::AlignLeft | Qt::AlignTop, text);
        painter.fillRect(used.intersected(kCounterRect), kCounterBackground);
        painter.drawText(kCounterRect, Qt::AlignLeft | Qt::AlignTop, text);
    }
    std::vector<std::uint32_t> picture = terminalMode ? app_.backend().picture() : std::vector<std::uint32_t>{};
    if (!picture.empty()) {
        paintPicture(painter, picture);
    } else if (terminalMode) {
        painter.setFont(terminalFont_);
        painter.setPen(kTerminalText);
        auto screen = app_.terminal().screen();
        QFontMetrics metrics(terminalFont_);
        int baseline = metrics.ascent() + (kTerminalRowHeight - metrics.height()) / 2;
        for (int row = link::kScreenRows - 1; row >= 0; --row) {
            int top = kTerminalTop + kTerminalRowHeight * row;
            QRect line(0, top, kTerminalCellWidth * link::kScreenColumns, kTerminalRowHeight);
            if (!update.intersects(line)) continue;
            painter.fillRect(line, kTerminalBackground);
            for (int column = 0; column < link::kScreenColumns; ++column) {
                QChar c = displayChar(screen[static_cast<std::size_t>(row * link::kScreenColumns +
                                                                      column)]);
                if (c == ' ') continue;
                int advance = metrics.horizontalAdvance(c);
                painter.drawText(column * kTerminalCellWidth + (kTerminalCellWidth - advance) / 2,
                                 top + baseline, QString(c));
            }
        }
    }
    if (!timerActive) {
        timerActive = true;
        timer_.start();
        traceLog() << "\n\n AKTIVIERE TIMER\n";
    }
}

void MainWindow::paintPicture(QPainter& painter, const std::vector<std::uint32_t>& picture) {
    // The C64's picture, border included, as wide as the terminal's rows,
    // its border colour above and below it.
    const QRect area(0, kTerminalTop, kTerminalCellWidth * link::kScreenColumns,
                     kTerminalRowHeight * link::kScreenRows);
    QImage image(reinterpret_cast<const uchar*>(picture.data()), c64::kPictureWidth, c64::kPictureHeight,
                 c64::kPictureWidth * 4, QImage::Format_RGB32);
    const int height = area.width() * c64::kPictureHeight / c64::kPictureWidth;
    const QRect target(area.left(), area.top() + (area.height() - height) / 2, area.width(), height);
    painter.fillRect(area, QColor::fromRgb(picture.front()));
    painter.drawImage(target, image);
}

void MainWindow::counterTick() {
    if (isMinimized()) {
        timer_.stop();
        // The stop always succeeds here: the window system's 1.
        traceLog() << "\n\n DEAKTIVIERE TIMER " << 1;
        timerActive = false;
        return;
    }
    update(kCounterRect);
    // The virtual C64's picture moves on by itself (its cursor blinks).
    if (terminalMode && !app_.backend().picture().empty())
        update(QRect(0, kTerminalTop, width(), height() - kTerminalTop));
}

int MainWindow::characterOf(const QKeyEvent& event) {
    switch (event.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
            return 9;
        case Qt::Key_Escape:
            return 27;
        default:
            break;
    }
    QString text = event.text();
    if (text.size() != 1) return 0;
    char16_t c = text.at(0).unicode();
    return c < 0x100 ? static_cast<int>(c) : 0;
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    int c = characterOf(*event);
    if (c == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    // The key flags as the window system gave them: repeat count 1, the
    // scan code in bits 16-23, bit 30 when the key was down already.
    long flags = 1 | (static_cast<long>(event->nativeScanCode() & 0xFF) << 16) |
                 (event->isAutoRepeat() ? (1L << 30) : 0);
    traceLog() << "\n taste = " << c << "  " << flags;
    if (terminalMode) app_.typeKey(c);
    event->accept();
}

bool MainWindow::focusNextPrevChild(bool next) {
    // Tab is a key of the C64 (its arrow-left key), not a move between buttons.
    if (terminalMode) return false;
    return QWidget::focusNextPrevChild(next);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) traceLog() << "\n Maustaste";
    QWidget::mousePressEvent(event);
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) app_.terminal().setMinimized(isMinimized());
    QWidget::changeEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    app_.exitInstance();
    event->accept();
}

}  // namespace brimwick::app
