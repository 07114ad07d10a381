#include "ui/tkxnewmbthreadform.h"

#include "devices/tkxmbnetworkcmp.h"
#include "modbus/tkxmbthreadsetupcls.h"
#include "ui/tkxqtconvert.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

// Flow control codes in the order of the radio choices.
constexpr std::array<int, 5> FlowCodes = {0, 8, 2, 1, 4};
constexpr int DefaultBaudRate = 19200;
constexpr int PortCount = 8;

// A titled box of radio buttons, one per text, in columns rows high.
QButtonGroup* RadioGroup(QWidget* owner, QGroupBox* box, const QStringList& texts, int rows) {
    auto* group = new QButtonGroup(owner);
    auto* layout = new QGridLayout(box);
    for (int i = 0; i < texts.size(); ++i) {
        auto* button = new QRadioButton(texts.at(i), box);
        group->addButton(button, i);
        layout->addWidget(button, i % rows, i / rows);
    }
    return group;
}

void Choose(QButtonGroup* group, int index) {
    if (QAbstractButton* button = group->button(index)) {
        button->setChecked(true);
        return;
    }
    // Nothing chosen: the group must let go of its checked button first.
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons()) {
        button->setChecked(false);
    }
    group->setExclusive(true);
}

void LockGroup(QButtonGroup* group, bool locked) {
    for (QAbstractButton* button : group->buttons()) {
        button->setEnabled(!locked);
    }
}

} // namespace

const std::vector<int>& TkxNewMBThreadForm::BaudRates() {
    static const std::vector<int> rates = [] {
        std::vector<int> list;
        list.reserve(9);
        for (int rate : {1200, 2400, 4800, 9600, 14400, 19200, 38400, 57600, 115200}) {
            list.push_back(rate);
        }
        return list;
    }();
    return rates;
}

TkxNewMBThreadForm::TkxNewMBThreadForm(QWidget* parent)
    : QDialog(parent)
    , FName(new QLineEdit(this))
    , FTcp(new QCheckBox(QStringLiteral("TCP/IP"), this))
    , FSerialGroup(new QGroupBox(QStringLiteral("Serial Port Setup"), this))
    , FTcpGroup(new QGroupBox(QStringLiteral("TCP/IP Setup"), this))
    , FTimeOut(new QSpinBox(this))
    , FHost(new QLineEdit(FTcpGroup))
    , FHostPort(new QSpinBox(FTcpGroup))
    , FProblem(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Connection Setup"));
    setModal(true);

    auto* top = new QFormLayout();
    top->addRow(QStringLiteral("Name"), FName);
    top->addRow(QString(), FTcp);

    QStringList ports;
    for (int i = 1; i <= PortCount; ++i) {
        ports.append(QStringLiteral("COM%1").arg(i));
    }
    QStringList rates;
    for (int rate : BaudRates()) {
        rates.append(QString::number(rate));
    }
    auto* portBox = new QGroupBox(QStringLiteral("Port"), FSerialGroup);
    auto* baudBox = new QGroupBox(QStringLiteral("Baud rate"), FSerialGroup);
    auto* parityBox = new QGroupBox(QStringLiteral("Parity"), FSerialGroup);
    auto* stopBox = new QGroupBox(QStringLiteral("Stop bits"), FSerialGroup);
    auto* flowBox = new QGroupBox(QStringLiteral("Flow control"), FSerialGroup);
    FPort = RadioGroup(this, portBox, ports, 4);
    FBaud = RadioGroup(this, baudBox, rates, 5);
    FParity = RadioGroup(this, parityBox,
                         {QStringLiteral("None"), QStringLiteral("Odd"), QStringLiteral("Even"),
                          QStringLiteral("Mark"), QStringLiteral("Space")},
                         5);
    FStop = RadioGroup(this, stopBox,
                       {QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")}, 3);
    FFlow = RadioGroup(this, flowBox,
                       {QStringLiteral("None"), QStringLiteral("RTS Toggle"),
                        QStringLiteral("RTS / CTS"), QStringLiteral("DTR / DSR"),
                        QStringLiteral("XON / XOFF")},
                       5);
    FTimeOut->setRange(1, 60000);
    FTimeOut->setSuffix(QStringLiteral(" ms"));
    auto* serial = new QGridLayout(FSerialGroup);
    serial->addWidget(portBox, 0, 0);
    serial->addWidget(baudBox, 0, 1);
    serial->addWidget(parityBox, 0, 2);
    serial->addWidget(stopBox, 1, 0);
    serial->addWidget(flowBox, 1, 1);
    auto* timeOut = new QFormLayout();
    timeOut->addRow(QStringLiteral("Time-out"), FTimeOut);
    serial->addLayout(timeOut, 1, 2);

    FHostPort->setRange(1, 65535);
    auto* tcp = new QFormLayout(FTcpGroup);
    tcp->addRow(QStringLiteral("Host address"), FHost);
    tcp->addRow(QStringLiteral("Host port"), FHostPort);

    FProblem->setStyleSheet(QStringLiteral("color: #b00000"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TkxNewMBThreadForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TkxNewMBThreadForm::reject);
    connect(FTcp, &QCheckBox::toggled, this, [this] { ShowLine(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(FSerialGroup);
    layout->addWidget(FTcpGroup);
    layout->addWidget(FProblem);
    layout->addWidget(buttons);

    // The defaults of a new connection.
    Choose(FBaud, 5);
    Choose(FParity, 0);
    Choose(FStop, 0);
    Choose(FFlow, 0);
    FTimeOut->setValue(500);
    FHost->setText(QStringLiteral("127.0.0.1"));
    FHostPort->setValue(502);
    ShowLine();
    adjustSize();
}

TkxNewMBThreadForm::~TkxNewMBThreadForm() = default;

void TkxNewMBThreadForm::ShowLine() {
    FSerialGroup->setVisible(!FTcp->isChecked());
    FTcpGroup->setVisible(FTcp->isChecked());
}

void TkxNewMBThreadForm::PresetNew(std::shared_ptr<TkxMBContext> context,
                                   const TkxNewConnectionPreset& preset) {
    FContext = std::move(context);
    FEdited = nullptr;
    FTcp->setChecked(preset.Tcp);
    Choose(FBaud, preset.BaudIndex);
    Choose(FPort, preset.PortIndex);
    Choose(FFlow, preset.FlowIndex);
    Choose(FParity, preset.ParityIndex);
    Choose(FStop, preset.StopIndex);
    FTimeOut->setValue(preset.TimeOut);
    FHost->setText(TkxQString(preset.HostAddress));
    FHostPort->setValue(preset.HostPort);
}

void TkxNewMBThreadForm::PresetEdit(TkxMBThreadSetup& setup) {
    FEdited = &setup;
    FName->setText(TkxQString(setup.ThreadName()));
    FTcp->setChecked(setup.ConnType() == TkxMBThreadSetup::KConnTcpIp);
    const auto& rates = BaudRates();
    const auto rate = std::find(rates.begin(), rates.end(), setup.BaudRate());
    Choose(FBaud, rate == rates.end() ? -1 : static_cast<int>(rate - rates.begin()));
    Choose(FPort, setup.ComPort() - 1);
    const auto flow = std::find(FlowCodes.begin(), FlowCodes.end(), setup.FlowCtrl());
    Choose(FFlow, flow == FlowCodes.end() ? -1 : static_cast<int>(flow - FlowCodes.begin()));
    Choose(FParity, setup.Parity());
    Choose(FStop, setup.StopBits());
    // A value outside the field's range widens it rather than being changed behind the user.
    FTimeOut->setRange(std::min(FTimeOut->minimum(), setup.TimeOut()),
                       std::max(FTimeOut->maximum(), setup.TimeOut()));
    FTimeOut->setValue(setup.TimeOut());
    FHost->setText(TkxQString(setup.HostName()));
    FHostPort->setRange(std::min(FHostPort->minimum(), setup.TcpIpPort()),
                        std::max(FHostPort->maximum(), setup.TcpIpPort()));
    FHostPort->setValue(setup.TcpIpPort());
}

void TkxNewMBThreadForm::Lock(TkxConnParamSet locked) {
    FName->setReadOnly(locked.test(cpName));
    LockGroup(FPort, locked.test(cpPort));
    LockGroup(FBaud, locked.test(cpBaudRate));
    LockGroup(FParity, locked.test(cpParity));
    LockGroup(FStop, locked.test(cpStopBits));
    LockGroup(FFlow, locked.test(cpFlowCtrl));
    FTimeOut->setEnabled(!locked.test(cpTimeOut));
    FHostPort->setEnabled(!locked.test(cpHostPort));
    FHost->setReadOnly(locked.test(cpHostAddress));
    FTcp->setEnabled(!locked.test(cpTcpIp));
}

std::unique_ptr<TkxMBThreadSetup> TkxNewMBThreadForm::TakeCreated() {
    return std::move(FCreated);
}

QString TkxNewMBThreadForm::DefaultName() const {
    const int baud = FBaud->checkedId();
    const int flow = FFlow->checkedId();
    return QStringLiteral("COM%1-%2-%3%4%5-%6")
        .arg(FPort->checkedId() + 1)
        .arg(baud < 0 ? DefaultBaudRate : BaudRates().at(static_cast<std::size_t>(baud)))
        .arg(8)
        .arg(TkxQString(TkxMBThreadSetup::ParityText(FParity->checkedId())))
        .arg(TkxQString(TkxMBThreadSetup::StopBitsText(FStop->checkedId())))
        .arg(TkxQString(TkxMBThreadSetup::FlowCtrlText(
            flow < 0 ? 0 : FlowCodes.at(static_cast<std::size_t>(flow)))));
}

void TkxNewMBThreadForm::Store(TkxMBThreadSetup& setup, const QString& name) const {
    setup.SetThreadName(TkxAnsi(name));
    setup.SetConnType(FTcp->isChecked() ? TkxMBThreadSetup::KConnTcpIp
                                        : TkxMBThreadSetup::KConnSerial);
    const int baud = FBaud->checkedId();
    const int rate = baud < 0 ? DefaultBaudRate : BaudRates().at(static_cast<std::size_t>(baud));
    setup.SetBaudRate(rate);
    if (rate <= 4800) {
        setup.SetRetries(0);
    }
    setup.SetComPort(FPort->checkedId() + 1);
    setup.SetByteSize(8);
    const int flow = FFlow->checkedId();
    setup.SetFlowCtrl(flow < 0 ? 0 : FlowCodes.at(static_cast<std::size_t>(flow)));
    setup.SetParity(std::max(FParity->checkedId(), 0));
    setup.SetStopBits(std::max(FStop->checkedId(), 0));
    setup.SetSilentInt(20);
    setup.SetTimeOut(FTimeOut->value());
    setup.SetTxMode(0);
    setup.SetHostName(TkxAnsi(FHost->text().trimmed()));
    setup.SetTcpIpPort(FHostPort->value());
}

void TkxNewMBThreadForm::accept() {
    QString name = FName->text();
    if (name.isEmpty()) {
        name = DefaultName();
        const auto answer = QMessageBox::question(
            this, QStringLiteral("Name is empty."), QStringLiteral("Use default name? ") + name,
            QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
        if (answer != QMessageBox::Ok) {
            name.clear();
        }
        FName->setText(name);
    }
    // The fields are tried on a setup of the dialog's own first, so that an edited setup is
    // changed only by a valid whole.
    TkxMBThreadSetup trial;
    Store(trial, name);
    if (!trial.IsValid()) {
        if (name.isEmpty()) {
            FProblem->setText(QStringLiteral("The connection needs a name."));
        } else if (FTcp->isChecked()) {
            FProblem->setText(QStringLiteral("Enter the host address."));
        } else {
            FProblem->setText(QStringLiteral("Choose a port."));
        }
        return;
    }
    FProblem->clear();
    if (FEdited != nullptr) {
        Store(*FEdited, name);
    } else {
        FCreated = FContext != nullptr ? std::make_unique<TkxMBThreadSetup>(FContext)
                                       : std::make_unique<TkxMBThreadSetup>();
        Store(*FCreated, name);
    }
    QDialog::accept();
}
