#pragma once

#include "devices/tkxdialogprovider.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class TkxDeviceSetup;

// The device dialog, "Device Setup": name, slave address, fault cut-off, default sample time
// in milliseconds and the enabled flag. It edits an existing device setup or makes a new one.
// OK stores the fields only when they make a valid setup; otherwise the dialog stays open,
// says what is wrong, and the edited setup is left as it was.
class TkxNewDeviceForm : public QDialog {
    Q_OBJECT
public:
    explicit TkxNewDeviceForm(QWidget* parent = nullptr);
    ~TkxNewDeviceForm() override;

    // A new device setup, the controls preset from preset.
    void PresetNew(const TkxNewDevicePreset& preset);
    // Edits setup, the controls preset from it.
    void PresetEdit(TkxDeviceSetup& setup);
    // A member in the set locks its field.
    void Lock(TkxDevParamSet locked);
    // The device setup OK made for a new one; null otherwise.
    std::unique_ptr<TkxDeviceSetup> TakeCreated();

    QLineEdit* NameEdit() const { return FName; }
    QSpinBox* AddressEdit() const { return FAddress; }
    QSpinBox* MaxFaultEdit() const { return FMaxFault; }
    QSpinBox* SampleTimeEdit() const { return FSampleTime; }
    QCheckBox* EnabledBox() const { return FEnabled; }
    QLabel* ProblemLabel() const { return FProblem; }

public slots:
    void accept() override;

private:
    void Store(TkxDeviceSetup& setup) const;
    static void SetWithin(QSpinBox* edit, int value);

    TkxDeviceSetup* FEdited = nullptr;
    std::unique_ptr<TkxDeviceSetup> FCreated;

    QLineEdit* FName;
    QSpinBox* FAddress;
    QSpinBox* FMaxFault;
    QSpinBox* FSampleTime;
    QCheckBox* FEnabled;
    QLabel* FProblem;
};
