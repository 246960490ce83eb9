// The emulated C64's picture and keyboard in the window.
#include "app/emulated_view.h"

#include <QImage>
#include <QKeyEvent>
#include <QPainter>

#include "c64/machine/vic2.h"
#include "c64/machine/vic_palette.h"

namespace brimwick::app {

namespace {

constexpr int kScale = 2;          // the view's first size
constexpr int kFrameCheckMs = 20;  // 50 looks a second

struct KeyPlace {
    int qtKey;          // the PC key (Qt's code, shifted symbols included)
    char cap;           // the C64 key by its cap, or 0
    c64::MatrixKey key; // the C64 key when cap is 0
};

// By place on a PC keyboard (US layout): the number row, the letters, the
// symbols beside them; a shifted symbol is the same key as its unshifted one.
constexpr KeyPlace kPlaces[] = {
    {Qt::Key_QuoteLeft, '_', {}},  {Qt::Key_AsciiTilde, '_', {}},
    {Qt::Key_1, '1', {}},          {Qt::Key_Exclam, '1', {}},
    {Qt::Key_2, '2', {}},          {Qt::Key_At, '2', {}},
    {Qt::Key_3, '3', {}},          {Qt::Key_NumberSign, '3', {}},
    {Qt::Key_4, '4', {}},          {Qt::Key_Dollar, '4', {}},
    {Qt::Key_5, '5', {}},          {Qt::Key_Percent, '5', {}},
    {Qt::Key_6, '6', {}},          {Qt::Key_AsciiCircum, '6', {}},
    {Qt::Key_7, '7', {}},          {Qt::Key_Ampersand, '7', {}},
    {Qt::Key_8, '8', {}},          {Qt::Key_Asterisk, '8', {}},
    {Qt::Key_9, '9', {}},          {Qt::Key_ParenLeft, '9', {}},
    {Qt::Key_0, '0', {}},          {Qt::Key_ParenRight, '0', {}},
    {Qt::Key_Minus, '+', {}},      {Qt::Key_Underscore, '+', {}},
    {Qt::Key_Equal, '-', {}},      {Qt::Key_Plus, '-', {}},
    {Qt::Key_Insert, '\\', {}},    {Qt::Key_Home, 0, c64::kKeyHome},
    {Qt::Key_Backspace, 0, c64::kKeyDelete}, {Qt::Key_Delete, 0, c64::kKeyDelete},
    {Qt::Key_BracketLeft, '@', {}}, {Qt::Key_BraceLeft, '@', {}},
    {Qt::Key_BracketRight, '*', {}}, {Qt::Key_BraceRight, '*', {}},
    {Qt::Key_End, '^', {}},
    {Qt::Key_Semicolon, ':', {}},  {Qt::Key_Colon, ':', {}},
    {Qt::Key_Apostrophe, ';', {}}, {Qt::Key_QuoteDbl, ';', {}},
    {Qt::Key_Backslash, '=', {}},  {Qt::Key_Bar, '=', {}},
    {Qt::Key_Comma, ',', {}},      {Qt::Key_Less, ',', {}},
    {Qt::Key_Period, '.', {}},     {Qt::Key_Greater, '.', {}},
    {Qt::Key_Slash, '/', {}},      {Qt::Key_Question, '/', {}},
    {Qt::Key_Space, ' ', {}},      {Qt::Key_Return, '\r', {}}, {Qt::Key_Enter, '\r', {}},
    {Qt::Key_Shift, 0, c64::kKeyLeftShift}, {Qt::Key_Tab, 0, c64::kKeyControl},
    {Qt::Key_Control, 0, c64::kKeyCommodore}, {Qt::Key_Alt, 0, c64::kKeyCommodore},
    {Qt::Key_Escape, 0, c64::kKeyRunStop},
    {Qt::Key_Down, 0, c64::kKeyCursorDown}, {Qt::Key_Right, 0, c64::kKeyCursorRight},
    {Qt::Key_F1, 0, c64::kKeyF1}, {Qt::Key_F3, 0, c64::kKeyF3},
    {Qt::Key_F5, 0, c64::kKeyF5}, {Qt::Key_F7, 0, c64::kKeyF7},
};

// Keys the C64 has only shifted: up and left, the even function keys.
struct ShiftedPlace {
    int qtKey;            // the PC key
    c64::MatrixKey key;   // held with shift
};
constexpr ShiftedPlace kShiftedPlaces[] = {
    {Qt::Key_Up, c64::kKeyCursorDown}, {Qt::Key_Left, c64::kKeyCursorRight},
    {Qt::Key_F2, c64::kKeyF1},         {Qt::Key_F4, c64::kKeyF3},
    {Qt::Key_F6, c64::kKeyF5},         {Qt::Key_F8, c64::kKeyF7},
};

}  // namespace

void EmulatedScreen::putFrame(const std::vector<std::uint8_t>& picture) {
    std::lock_guard lock(mutex_);
    frame_ = picture;
    ++version_;
}

bool EmulatedScreen::takeFrame(std::vector<std::uint8_t>& picture, std::uint64_t& version) {
    std::lock_guard lock(mutex_);
    if (version_ == version) return false;
    picture = frame_;
    version = version_;
    return true;
}

void EmulatedScreen::setKey(const c64::MatrixKey& key, bool down) {
    std::lock_guard lock(mutex_);
    auto& rows = columns_[static_cast<std::size_t>(key.column & 7)];
    const auto bit = static_cast<std::uint8_t>(1 << (key.row & 7));
    rows = down ? static_cast<std::uint8_t>(rows | bit) : static_cast<std::uint8_t>(rows & ~bit);
}

void EmulatedScreen::setRestore(bool down) {
    std::lock_guard lock(mutex_);
    restore_ = down;
}

void EmulatedScreen::keys(std::array<std::uint8_t, 8>& columns, bool& restore) {
    std::lock_guard lock(mutex_);
    columns = columns_;
    restore = restore_;
}

std::vector<c64::MatrixKey> c64KeysFor(int qtKey, bool& restore) {
    restore = qtKey == Qt::Key_PageUp;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return {*c64::keyForCap(static_cast<char>('A' + (qtKey - Qt::Key_A)))};
    for (const KeyPlace& p : kPlaces)
        if (p.qtKey == qtKey) return {p.cap != 0 ? *c64::keyForCap(p.cap) : p.key};
    for (const ShiftedPlace& p : kShiftedPlaces)
        if (p.qtKey == qtKey) return {c64::kKeyRightShift, p.key};
    return {};
}

EmulatedView::EmulatedView(EmulatedScreen& screen, QWidget* parent) : QWidget(parent), screen_(screen) {
    setWindowTitle("Brimwick: emulated C64");
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(c64::kPictureWidth * kScale, c64::kPictureHeight * kScale);
    picture_.assign(static_cast<std::size_t>(c64::kPictureWidth * c64::kPictureHeight), 0);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (screen_.takeFrame(picture_, version_)) update();
    });
    timer_.start(kFrameCheckMs);
}

void EmulatedView::paintEvent(QPaintEvent*) {
    QImage image(c64::kPictureWidth, c64::kPictureHeight, QImage::Format_RGB32);
    for (int y = 0; y < c64::kPictureHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < c64::kPictureWidth; ++x)
            line[x] = 0xFF000000U |
                      c64::kPalette[picture_[static_cast<std::size_t>(y * c64::kPictureWidth + x)] & 0x0F];
    }
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    // The largest picture of the C64's aspect that fits, centred.
    QSize size(c64::kPictureWidth, c64::kPictureHeight);
    size.scale(this->size(), Qt::KeepAspectRatio);
    QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    painter.drawImage(target, image);
}

void EmulatedView::keyPressEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) return;  // the C64 repeats by itself
    bool restore = false;
    std::vector<c64::MatrixKey> keys = c64KeysFor(event->key(), restore);
    if (keys.empty() && !restore) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Remembered by the PC key's place, so that the release lets go of the
    // same C64 keys even when shift changed the character in between.
    const int id = event->nativeScanCode() != 0 ? static_cast<int>(event->nativeScanCode()) : event->key();
    for (const c64::MatrixKey& k : keys) screen_.setKey(k, true);
    if (restore) screen_.setRestore(true);
    held_[id] = keys;
    heldRestore_[id] = restore;
    event->accept();
}

void EmulatedView::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) return;
    const int id = event->nativeScanCode() != 0 ? static_cast<int>(event->nativeScanCode()) : event->key();
    auto it = held_.find(id);
    if (it == held_.end()) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    for (const c64::MatrixKey& k : it->second) screen_.setKey(k, false);
    if (heldRestore_[id]) screen_.setRestore(false);
    held_.erase(it);
    heldRestore_.erase(id);
    event->accept();
}

void EmulatedView::focusOutEvent(QFocusEvent* event) {
    releaseAll();  // keys let go of elsewhere never come back here
    QWidget::focusOutEvent(event);
}

bool EmulatedView::focusNextPrevChild(bool) { return false; }  // Tab is the C64's CTRL

void EmulatedView::releaseAll() {
    for (const auto& [id, keys] : held_)
        for (const c64::MatrixKey& k : keys) screen_.setKey(k, false);
    held_.clear();
    heldRestore_.clear();
    screen_.setRestore(false);
}

}  // namespace brimwick::app
