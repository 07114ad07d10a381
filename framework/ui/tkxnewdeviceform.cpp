#include "ui/tkxnewdeviceform.h"

#include "devices/tkxdevicesetupcls.h"
#include "ui/tkxqtconvert.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The sample time is kept in passes of the communication thread.
constexpr int PassMs = 100;

} // namespace

TkxNewDeviceForm::TkxNewDeviceForm(QWidget* parent)
    : QDialog(parent)
    , FName(new QLineEdit(this))
    , FAddress(new QSpinBox(this))
    , FMaxFault(new QSpinBox(this))
    , FSampleTime(new QSpinBox(this))
    , FEnabled(new QCheckBox(QStringLiteral("Enabled"), this))
    , FProblem(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Device Setup"));
    setModal(true);
    FAddress->setRange(1, 247);
    FMaxFault->setRange(0, 65535);
    FSampleTime->setRange(100, 10000);
    FSampleTime->setSingleStep(10);
    FSampleTime->setSuffix(QStringLiteral(" ms"));

    auto* fields = new QFormLayout();
    fields->addRow(QStringLiteral("Name"), FName);
    fields->addRow(QStringLiteral("Address"), FAddress);
    fields->addRow(QStringLiteral("Max Fault"), FMaxFault);
    fields->addRow(QStringLiteral("Default Sample Time"), FSampleTime);
    fields->addRow(QString(), FEnabled);
    FProblem->setStyleSheet(QStringLiteral("color: #b00000"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TkxNewDeviceForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TkxNewDeviceForm::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(FProblem);
    layout->addWidget(buttons);

    PresetNew({});
    adjustSize();
}

TkxNewDeviceForm::~TkxNewDeviceForm() = default;

void TkxNewDeviceForm::SetWithin(QSpinBox* edit, int value) {
    // A value outside the field's range widens it rather than being changed behind the user.
    edit->setRange(std::min(edit->minimum(), value), std::max(edit->maximum(), value));
    edit->setValue(value);
}

void TkxNewDeviceForm::PresetNew(const TkxNewDevicePreset& preset) {
    FEdited = nullptr;
    FName->clear();
    SetWithin(FAddress, preset.Address);
    SetWithin(FMaxFault, preset.MaxFault);
    SetWithin(FSampleTime, preset.RepeatTimeMs);
    FEnabled->setChecked(false);
}

void TkxNewDeviceForm::PresetEdit(TkxDeviceSetup& setup) {
    FEdited = &setup;
    FName->setText(TkxQString(setup.DeviceName()));
    SetWithin(FAddress, setup.DeviceAddr());
    SetWithin(FMaxFault, setup.MaxFault());
    SetWithin(FSampleTime, setup.RepeatTime() * PassMs);
    FEnabled->setChecked(setup.Enabled());
}

void TkxNewDeviceForm::Lock(TkxDevParamSet locked) {
    FName->setReadOnly(locked.test(dpName));
    FAddress->setEnabled(!locked.test(dpAddress));
    FMaxFault->setEnabled(!locked.test(dpMaxFault));
    FSampleTime->setEnabled(!locked.test(dpRepeatTime));
    FEnabled->setEnabled(!locked.test(dpEnabled));
}

std::unique_ptr<TkxDeviceSetup> TkxNewDeviceForm::TakeCreated() {
    return std::move(FCreated);
}

void TkxNewDeviceForm::Store(TkxDeviceSetup& setup) const {
    setup.SetDeviceName(TkxAnsi(FName->text()));
    setup.SetDeviceAddr(static_cast<std::uint8_t>(FAddress->value()));
    setup.SetMaxFault(FMaxFault->value());
    setup.SetRepeatTime(FSampleTime->value() / PassMs);
    setup.SetEnabled(FEnabled->isChecked());
}

void TkxNewDeviceForm::accept() {
    // The sample time is stored in whole passes; a time between two is not cut down silently.
    if (FSampleTime->value() % PassMs != 0) {
        FProblem->setText(QStringLiteral("The sample time goes in steps of %1 ms.").arg(PassMs));
        return;
    }
    if (FAddress->value() < 1 || FAddress->value() > 247) {
        FProblem->setText(QStringLiteral("The address is a slave address from 1 to 247."));
        return;
    }
    TkxDeviceSetup trial;
    Store(trial);
    if (!trial.IsValid()) {
        FProblem->setText(QStringLiteral("The device needs a name."));
        return;
    }
    FProblem->clear();
    if (FEdited != nullptr) {
        Store(*FEdited);
    } else {
        FCreated = std::make_unique<TkxDeviceSetup>();
        Store(*FCreated);
    }
    QDialog::accept();
}
