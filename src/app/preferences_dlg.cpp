// The Preferences dialog's controls, data exchange and buttons.
#include "app/preferences_dlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <cstring>

#include "app/dialog_units.h"

namespace brimwick::app {

namespace {

QCheckBox* checkBox(QWidget* parent, const char* text, QRect rect) {
    auto* box = new QCheckBox(text, parent);
    box->setGeometry(rect);
    return box;
}

void label(QWidget* parent, const char* text, QRect rect) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(rect);
}

// A reset sequence from the settings (Latin-1 bytes, NUL-terminated).
QString sequenceText(const config::Settings& s, int k) {
    const char* entry = s.resetSequences[k];
    return QString::fromLatin1(entry, static_cast<qsizetype>(strnlen(entry, config::kResetSequenceSize)));
}

}  // namespace

void ResetSequenceBox::showPopup() {
    if (opening) opening();
    QComboBox::showPopup();
}

void ResetSequenceBox::hidePopup() {
    QComboBox::hidePopup();
    if (closed) closed();
}

PreferencesDlg::PreferencesDlg(QWidget* parent, const config::Settings& settings,
                               platform::UserDialogs& dialogs, shell::DesktopInstaller& installer,
                               std::function<void(const config::Settings&)> apply)
    : QDialog(parent), edited_(settings), dialogs_(dialogs), installer_(installer),
      apply_(std::move(apply)) {
    setWindowTitle(kPreferencesCaption);
    const DialogUnits units(*this);
    setModal(false);
    setFixedSize(units.size(275, 254));

    // Construction: the settings into the members.
    minimizedCheck = settings.startMinimized;
    driveIndex = settings.currentDrive;
    portIndex = settings.portChoice;
    resetIndex = std::clamp<int>(settings.resetSequenceIndex, 0, config::kResetSequenceCount - 1);
    resetText = sequenceText(settings, resetIndex);
    errorsCheck = settings.showResultsOnErrors;
    successCheck = settings.showResultsOnSuccess;
    startCheck = settings.startAssembled;
    addressCheck = settings.addressInObjectName;

    ok_ = new QPushButton("OK", this);
    ok_->setGeometry(units.rect(49, 221, 50, 14));
    ok_->setDefault(true);
    cancel_ = new QPushButton("Abbrechen", this);
    cancel_->setGeometry(units.rect(174, 223, 50, 14));
    label(this, "current drive", units.rect(18, 9, 42, 8));
    driveList_ = new QComboBox(this);
    driveList_->setGeometry(units.rect(70, 7, 33, 14));
    label(this, "Reset sequence", units.rect(9, 29, 53, 8));
    resetBox_ = new ResetSequenceBox(this);
    resetBox_->setEditable(true);
    resetBox_->setInsertPolicy(QComboBox::NoInsert);
    resetBox_->setGeometry(units.rect(69, 27, 135, 14));
    label(this, "Parallel Port", units.rect(21, 50, 40, 8));
    portList_ = new QComboBox(this);
    portList_->setGeometry(units.rect(70, 47, 82, 14));
    minimizedBox_ = checkBox(this, "open Brimwick window minimized", units.rect(70, 70, 147, 10));
    auto* installation = new QGroupBox("Installation", this);
    installation->setGeometry(units.rect(13, 90, 240, 37));
    auto* installButton = new QPushButton("Install", this);
    installButton->setGeometry(units.rect(25, 103, 62, 14));
    auto* uninstallButton = new QPushButton("Uninstall", this);
    uninstallButton->setGeometry(units.rect(112, 103, 61, 14));
    auto* infoButton = new QPushButton("info", this);
    infoButton->setGeometry(units.rect(199, 103, 42, 14));
    auto* assembler = new QGroupBox("Assembler", this);
    assembler->setGeometry(units.rect(13, 135, 240, 79));
    errorsBox_ = checkBox(this, "show assembling results if errors > 0", units.rect(23, 148, 179, 10));
    successBox_ = checkBox(this, "show assembling results if errors = 0", units.rect(23, 162, 164, 10));
    startBox_ = checkBox(this, "start assembled program", units.rect(23, 175, 164, 10));
    addressBox_ = checkBox(this, "add start address to object filename", units.rect(23, 192, 219, 10));
    // The group boxes lie under the controls inside them.
    installation->lower();
    assembler->lower();

    // Initialisation: the lists' items, the members into the controls, the
    // five sequences, the current one selected.
    for (int device = 5; device <= 14; ++device) driveList_->addItem(QString::number(device));
    for (const char* port : {"none", "PORT 1  (0x278)", "PORT 2  (0x378)", "PORT 3  (0x3BC)"})
        portList_->addItem(port);
    exchange(false);
    for (int k = 0; k < config::kResetSequenceCount; ++k) resetBox_->addItem(sequenceText(settings, k));
    resetBox_->setCurrentIndex(resetIndex);

    resetBox_->opening = [this] { commitEditedText(); };
    resetBox_->closed = [this] { takeSelection(); };
    // A choice in the list may land after the list closed.
    connect(resetBox_, &QComboBox::activated, this, [this] { takeSelection(); });
    connect(ok_, &QPushButton::clicked, this, &PreferencesDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &PreferencesDlg::reject);
    connect(installButton, &QPushButton::clicked, this, &PreferencesDlg::install);
    connect(uninstallButton, &QPushButton::clicked, this, &PreferencesDlg::uninstall);
    connect(infoButton, &QPushButton::clicked, this, &PreferencesDlg::info);
}

PreferencesDlg::~PreferencesDlg() {
    resetBox_->opening = nullptr;
    resetBox_->closed = nullptr;
    disconnect(resetBox_, nullptr, this, nullptr);
}

void PreferencesDlg::exchange(bool save) {
    auto check = [save](QCheckBox* box, int& member) {
        if (save)
            member = box->isChecked() ? 1 : 0;
        else
            box->setChecked(member != 0);
    };
    auto list = [save](QComboBox* box, int& member) {
        if (save)
            member = box->currentIndex();
        else
            box->setCurrentIndex(member);
    };
    check(minimizedBox_, minimizedCheck);
    list(driveList_, driveIndex);
    list(portList_, portIndex);
    if (save)
        resetText = resetBox_->currentText();
    else
        resetBox_->setEditText(resetText);
    check(errorsBox_, errorsCheck);
    check(successBox_, successCheck);
    check(startBox_, startCheck);
    check(addressBox_, addressCheck);
}

void PreferencesDlg::commitEditedText() {
    QString text = resetBox_->currentText().left(kResetCommitLimit);
    resetBox_->removeItem(resetIndex);
    resetBox_->insertItem(resetIndex, text);
    resetBox_->setCurrentIndex(resetIndex);
}

void PreferencesDlg::takeSelection() {
    if (resetBox_->currentIndex() >= 0) resetIndex = resetBox_->currentIndex();
    resetBox_->setEditText(resetBox_->itemText(resetIndex));
}

void PreferencesDlg::accept() {
    exchange(true);
    if (resetText.size() > kResetTextLimit) {
        dialogs_.messageBox("Geben Sie bitte nicht mehr als " + std::to_string(kResetTextLimit) +
                                " Zeichen ein.",
                            "Brimwick", platform::MessageButtons::Ok,
                            platform::MessageIcon::Warning);
        resetBox_->setFocus();
        return;
    }
    edited_.startMinimized = minimizedCheck;
    edited_.currentDrive = driveIndex;
    edited_.portChoice = portIndex;
    edited_.showResultsOnErrors = errorsCheck;
    edited_.showResultsOnSuccess = successCheck;
    edited_.startAssembled = startCheck;
    edited_.addressInObjectName = addressCheck;
    commitEditedText();
    for (int k = 0; k < config::kResetSequenceCount; ++k) {
        QByteArray bytes = resetBox_->itemText(k).toLatin1();
        char* entry = edited_.resetSequences[k];
        std::memset(entry, 0, config::kResetSequenceSize);
        std::memcpy(entry, bytes.constData(),
                    std::min<std::size_t>(static_cast<std::size_t>(bytes.size()),
                                          config::kResetSequenceSize - 1));
        entry[config::kResetSequenceSize - 1] = '\0';
    }
    edited_.resetSequenceIndex = resetIndex;
    if (apply_) apply_(edited_);
    QDialog::accept();
}

void PreferencesDlg::reject() {
    QDialog::reject();
}

void PreferencesDlg::install() {
    installer_.install(dialogs_);
}

void PreferencesDlg::uninstall() {
    installer_.uninstall(dialogs_);
}

void PreferencesDlg::info() {
    dialogs_.messageBox(std::string("April-01-2004 ( in fact 20-Nov-2000 )\n\n\n"
                                    "Don't hesitate to contact me if you have questions.\n"
                                    "Write in German or English.\n\n") +
                            kContactAddress + "\n\nBrimwick " + BRIMWICK_VERSION + "\n",
                        "Brimwick", platform::MessageButtons::Ok, platform::MessageIcon::None);
}

void applyPreferences(const config::Settings& from, config::Settings& to) {
    to.startMinimized = from.startMinimized;
    to.currentDrive = from.currentDrive;
    to.portChoice = from.portChoice;
    to.showResultsOnErrors = from.showResultsOnErrors;
    to.showResultsOnSuccess = from.showResultsOnSuccess;
    to.startAssembled = from.startAssembled;
    to.addressInObjectName = from.addressInObjectName;
    std::memcpy(to.resetSequences, from.resetSequences, sizeof to.resetSequences);
    to.resetSequenceIndex = from.resetSequenceIndex;
}

}  // namespace brimwick::app
