// The drive selection: "Select Drive", the device numbers 5 to 14, device 9
// chosen when the dialog opens anew. Shell commands that act on a drive the
// person picks (IDS_, IPDS) show it, modally.
#pragma once

#include <QComboBox>
#include <QDialog>

namespace brimwick::app {

class DriveSelection : public QDialog {
    Q_OBJECT

  public:
    int selectedDrive = 4;  // index 0..9 of the list: device number - 5

    explicit DriveSelection(QWidget* parent = nullptr);
    QComboBox* list() const { return list_; }

    int exec() override;
    void accept() override;

  private:
    QComboBox* list_;  // "5" .. "14"
};

}  // namespace brimwick::app
