// The window's view of the emulated C64: its VIC-II picture, scaled (twice
// the C64's 384 x 272 to start; the window resizes, the picture keeps its
// aspect), and the keys typed into it pressed on CIA 1's matrix by their
// place on the keyboard, not by the character they type (docs/
// emulated-c64.md has the map: Esc is RUN/STOP, Page Up RESTORE, ...).
//
// The C64 runs on the link thread; the view and the C64 meet in an
// EmulatedScreen: the last frame the link thread handed over and the keys
// the view holds down, behind one mutex.
#pragma once

#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "c64/machine/keyboard_matrix.h"

namespace brimwick::app {

class EmulatedScreen {
  public:
    // The link thread: a new frame.
    void putFrame(const std::vector<std::uint8_t>& picture);
    // The view: the newest frame, when newer than `version` (which it updates).
    bool takeFrame(std::vector<std::uint8_t>& picture, std::uint64_t& version);
    // The view: a key of the matrix (or RESTORE) goes down or up.
    void setKey(const c64::MatrixKey& key, bool down);
    void setRestore(bool down);
    // The link thread: the keys held now.
    void keys(std::array<std::uint8_t, 8>& columns, bool& restore);

  private:
    std::mutex mutex_;                         // guards everything below
    std::vector<std::uint8_t> frame_;          // palette indexes, 384 x 272
    std::uint64_t version_ = 0;                // frames put so far
    std::array<std::uint8_t, 8> columns_{};    // per column, the rows held down
    bool restore_ = false;                     // RESTORE is down
};

// The C64 keys a PC key stands for, by its place (see above); empty for
// keys that are not mapped. RESTORE is reported through `restore`.
std::vector<c64::MatrixKey> c64KeysFor(int qtKey, bool& restore);

class EmulatedView : public QWidget {
    Q_OBJECT

  public:
    explicit EmulatedView(EmulatedScreen& screen, QWidget* parent = nullptr);

    // The picture the view shows now (tests).
    const std::vector<std::uint8_t>& picture() const { return picture_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

  private:
    void releaseAll();

    EmulatedScreen& screen_;                               // shared with the link thread
    std::vector<std::uint8_t> picture_;                     // the frame shown
    std::uint64_t version_ = 0;                             // its number
    QTimer timer_;                                          // looks for new frames, 50 a second
    std::map<int, std::vector<c64::MatrixKey>> held_;       // PC keys down: the C64 keys they hold
    std::map<int, bool> heldRestore_;                       // PC keys down that hold RESTORE
};

}  // namespace brimwick::app
