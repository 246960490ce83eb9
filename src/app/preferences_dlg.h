// The Preferences dialog: the "current drive", the parallel port, the five
// reset sequences, whether the window opens minimized, and the assembler's
// options; Install and Uninstall of the desktop's file associations, and
// the info box. It is modeless (the C64 is served while it is open), edits a
// copy of the settings and hands the changes over only on OK.
//
// The reset sequences share one editable combo box: its edit field edits the
// current entry, which is stored into the list when the list opens; when the
// list closes, the chosen entry becomes the current one.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QString>
#include <functional>

#include "config/settings.h"
#include "platform/user_dialogs.h"
#include "shell/desktop_install.h"

namespace brimwick::app {

inline constexpr int kResetTextLimit = 100;     // characters OK takes
inline constexpr int kResetCommitLimit = 103;   // characters opening the list keeps
inline constexpr const char* kPreferencesCaption = "Brimwick Preferences";
inline constexpr const char* kContactAddress = "brimwick@example.org";

// The reset-sequence combo box, telling its dialog when its list opens and
// closes.
class ResetSequenceBox : public QComboBox {
    Q_OBJECT

  public:
    using QComboBox::QComboBox;
    std::function<void()> opening;  // before the list opens
    std::function<void()> closed;   // after the list closed
    void showPopup() override;
    void hidePopup() override;
};

class PreferencesDlg : public QDialog {
    Q_OBJECT

  public:
    // Data exchange members, as the controls show them.
    int minimizedCheck = 0;  // start minimized
    int driveIndex = 0;      // "current drive": index of "5".."14"
    int portIndex = 0;       // port choice 0..3
    QString resetText;       // the edit field of the reset sequences
    int errorsCheck = 0;     // show results if errors > 0
    int successCheck = 0;    // show results if errors = 0
    int startCheck = 0;      // start assembled program
    int addressCheck = 0;    // add start address to object filename
    int resetIndex = 0;      // the reset sequence being edited, 0..4

    // `settings` is copied; `apply` gets the changed copy on OK.
    PreferencesDlg(QWidget* parent, const config::Settings& settings,
                   platform::UserDialogs& dialogs, shell::DesktopInstaller& installer,
                   std::function<void(const config::Settings&)> apply);
    // The combo box outlives this part of the dialog while the dialog's
    // base hides it: it must not call back then.
    ~PreferencesDlg() override;

    // The controls, for the window's tests and screenshots.
    QComboBox* driveList() const { return driveList_; }
    ResetSequenceBox* resetBox() const { return resetBox_; }
    QComboBox* portList() const { return portList_; }
    QCheckBox* minimizedBox() const { return minimizedBox_; }
    QCheckBox* errorsBox() const { return errorsBox_; }
    QCheckBox* successBox() const { return successBox_; }
    QCheckBox* startBox() const { return startBox_; }
    QCheckBox* addressBox() const { return addressBox_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    // The list of the reset sequences opens: the edited text replaces the
    // current entry.
    void commitEditedText();
    // The list closed: the chosen entry becomes the current one.
    void takeSelection();

    void accept() override;
    void reject() override;

  private:
    // Controls <-> members.
    void exchange(bool save);
    void install();
    void uninstall();
    void info();

    config::Settings edited_;                          // the copy the dialog changes
    platform::UserDialogs& dialogs_;                   // its message boxes
    shell::DesktopInstaller& installer_;               // Install and Uninstall
    std::function<void(const config::Settings&)> apply_;  // hands the changes over
    QComboBox* driveList_;
    ResetSequenceBox* resetBox_;
    QComboBox* portList_;
    QCheckBox* minimizedBox_;
    QCheckBox* errorsBox_;
    QCheckBox* successBox_;
    QCheckBox* startBox_;
    QCheckBox* addressBox_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

// Copies the fields the Preferences dialog edits from `from` to `to`,
// leaving the drive table alone (a shell command may have changed it
// meanwhile).
void applyPreferences(const config::Settings& from, config::Settings& to);

}  // namespace brimwick::app
