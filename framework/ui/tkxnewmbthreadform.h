#pragma once

#include "devices/tkxdialogprovider.h"

#include <QDialog>

#include <memory>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class TkxMBContext;
class TkxMBThreadSetup;
struct TkxNewConnectionPreset;

// The connection dialog, "Connection Setup": the name, a serial line (port, baud rate, parity,
// stop bits, flow control, time-out) or a TCP/IP host and port. It edits an existing setup or
// makes a new one for a network's context. OK stores the fields only when they make a valid
// setup; otherwise the dialog stays open, says what is missing, and the edited setup is left
// as it was.
class TkxNewMBThreadForm : public QDialog {
    Q_OBJECT
public:
    // The baud rates of the list, in the order of its choices.
    static const std::vector<int>& BaudRates();

    explicit TkxNewMBThreadForm(QWidget* parent = nullptr);
    ~TkxNewMBThreadForm() override;

    // A new connection for context, the controls preset from preset.
    void PresetNew(std::shared_ptr<TkxMBContext> context, const TkxNewConnectionPreset& preset);
    // Edits setup, the controls preset from it.
    void PresetEdit(TkxMBThreadSetup& setup);
    // A member in the set locks its field.
    void Lock(TkxConnParamSet locked);
    // The connection OK made for a new one; null otherwise.
    std::unique_ptr<TkxMBThreadSetup> TakeCreated();

    // The name that an empty name field is offered to become, from the serial fields.
    QString DefaultName() const;

    QLineEdit* NameEdit() const { return FName; }
    QCheckBox* TcpBox() const { return FTcp; }
    QGroupBox* SerialGroup() const { return FSerialGroup; }
    QGroupBox* TcpGroup() const { return FTcpGroup; }
    QButtonGroup* PortGroup() const { return FPort; }
    QButtonGroup* BaudGroup() const { return FBaud; }
    QButtonGroup* ParityGroup() const { return FParity; }
    QButtonGroup* StopGroup() const { return FStop; }
    QButtonGroup* FlowGroup() const { return FFlow; }
    QSpinBox* TimeOutEdit() const { return FTimeOut; }
    QLineEdit* HostEdit() const { return FHost; }
    QSpinBox* HostPortEdit() const { return FHostPort; }
    QLabel* ProblemLabel() const { return FProblem; }

public slots:
    void accept() override;

private:
    // The setters in their order, from the controls, with name as the name.
    void Store(TkxMBThreadSetup& setup, const QString& name) const;
    void ShowLine();

    std::shared_ptr<TkxMBContext> FContext;
    TkxMBThreadSetup* FEdited = nullptr;
    std::unique_ptr<TkxMBThreadSetup> FCreated;

    QLineEdit* FName;
    QCheckBox* FTcp;
    QGroupBox* FSerialGroup;
    QGroupBox* FTcpGroup;
    QButtonGroup* FPort;
    QButtonGroup* FBaud;
    QButtonGroup* FParity;
    QButtonGroup* FStop;
    QButtonGroup* FFlow;
    QSpinBox* FTimeOut;
    QLineEdit* FHost;
    QSpinBox* FHostPort;
    QLabel* FProblem;
};
