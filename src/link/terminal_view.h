// What the link needs to know of the main window: whether the terminal (the
// mirrored C64 screen) is shown, whether the window is minimized, and how to
// ask for the terminal rows to be repainted. The desktop window implements
// it; without a window the link mirrors nothing.
#pragma once

namespace brimwick::link {

class TerminalView {
  public:
    virtual ~TerminalView() = default;
    virtual bool terminalShown() const = 0;
    virtual bool minimized() const = 0;
    // The mirrored screen changed: repaint the terminal rows.
    virtual void invalidateTerminal() = 0;
};

}  // namespace brimwick::link
