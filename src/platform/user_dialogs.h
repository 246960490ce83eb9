// The few questions the program puts to the person at the PC: message boxes
// and the choice of a drive. The desktop window installs an implementation
// that shows real dialogs; until then (and in tests, tools and the fuzzer) a
// headless one writes the text to the trace log and to the console (stderr in
// the command line) and answers as though the default button had been
// pressed, so nothing ever waits for a person.
#pragma once

#include <atomic>
#include <optional>
#include <ostream>
#include <string_view>

namespace brimwick::platform {

// The buttons a message box offers; the first one named is the default.
enum class MessageButtons {
    Ok,           // OK
    OkCancel,     // OK (default), Cancel
    YesNo,        // Yes (default), No
    YesNoCancel,  // Yes (default), No, Cancel
    RetryCancel,  // Retry (default), Cancel
};

// The icon shown beside a message box's text.
enum class MessageIcon { None, Information, Question, Warning, Stop };

// The button that closed a message box.
enum class MessageAnswer { Ok, Cancel, Yes, No, Retry };

// The device number offered first by the drive selection (device 9).
inline constexpr int kPreselectedDrive = 4;

class UserDialogs {
  public:
    virtual ~UserDialogs() = default;
    // Shows a modal message box and returns the button that closed it.
    virtual MessageAnswer messageBox(std::string_view text, std::string_view caption,
                                     MessageButtons buttons, MessageIcon icon) = 0;
    // A message box whose text stays as the program has always shown it,
    // with the particulars (a path, the system's reason) in a detail line
    // beneath; unless a dialog shows such a line, the detail follows the
    // text after an empty line.
    virtual MessageAnswer messageBoxWithDetail(std::string_view text, std::string_view detail,
                                               std::string_view caption, MessageButtons buttons,
                                               MessageIcon icon);
    // Asks for one of the ten drives; the index 0..9 (device number - 5),
    // or nothing when the person cancels.
    virtual std::optional<int> selectDrive(int preselected = kPreselectedDrive) = 0;
};

// Counts a dialog as open while it is shown (the count is read by other
// threads: a string arriving meanwhile is dropped).
class ShownDialog {
  public:
    explicit ShownDialog(std::atomic<int>& open) : open_(open) { ++open_; }
    ~ShownDialog() { --open_; }
    ShownDialog(const ShownDialog&) = delete;
    ShownDialog& operator=(const ShownDialog&) = delete;

  private:
    std::atomic<int>& open_;  // the dialogs' count
};

// The default button of a set of buttons.
MessageAnswer defaultAnswer(MessageButtons buttons);

// Answers without a person: every text goes to the trace log and, when there
// is a console, to it as a line "CAPTION: TEXT"; every message box is closed
// with its default button, the drive selection with OK on the preselected
// drive.
class HeadlessDialogs : public UserDialogs {
  public:
    explicit HeadlessDialogs(std::ostream* console = nullptr) : console_(console) {}
    MessageAnswer messageBox(std::string_view text, std::string_view caption,
                             MessageButtons buttons, MessageIcon icon) override;
    std::optional<int> selectDrive(int preselected = kPreselectedDrive) override;

  private:
    std::ostream* console_;  // where message boxes are shown as text, or none
};

// The dialogs in use: unless another was installed, headless ones whose
// console is stderr.
UserDialogs& userDialogs();
// Installs the dialogs to use from now on (not owned; must outlive their
// use); null brings back the headless ones.
void setUserDialogs(UserDialogs* dialogs);

}  // namespace brimwick::platform
