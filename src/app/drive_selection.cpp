// The drive selection dialog, laid out in dialog units as the resource was.
#include "app/drive_selection.h"

#include <QPushButton>

#include "app/dialog_units.h"

namespace brimwick::app {

DriveSelection::DriveSelection(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Select Drive");
    const DialogUnits units(*this);
    setModal(true);
    setFixedSize(units.size(159, 68));
    list_ = new QComboBox(this);
    for (int device = 5; device <= 14; ++device) list_->addItem(QString::number(device));
    list_->setGeometry(units.rect(57, 9, 47, 14));
    auto* ok = new QPushButton("OK", this);
    ok->setGeometry(units.rect(13, 42, 50, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton("Abbrechen", this);
    cancel->setGeometry(units.rect(93, 42, 50, 14));
    connect(ok, &QPushButton::clicked, this, &DriveSelection::accept);
    connect(cancel, &QPushButton::clicked, this, &DriveSelection::reject);
}

int DriveSelection::exec() {
    list_->setCurrentIndex(selectedDrive);
    return QDialog::exec();
}

void DriveSelection::accept() {
    selectedDrive = list_->currentIndex();
    QDialog::accept();
}

}  // namespace brimwick::app
