#include "taboutform.h"

#include "tmemo.h"
#include "tnetworkcmp.h"
#include "ttermsettingscls.h"

#include "base/tkxstatescale.h"
#include "devices/tkxdeviceqxdrvcls.h"
#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxversionrecordcls.h"
#include "registers/tkxregdefslistcmp.h"
#include "ui/tkxqtconvert.h"

#include <QAction>
#include <QEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QVBoxLayout>

namespace {

QPlainTextEdit* MakeMemo(QWidget* parent, const QString& name) {
    QPlainTextEdit* memo = TMakeMemo(parent, name);
    memo->setFrameShape(QFrame::NoFrame);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return memo;
}

void SetLines(QPlainTextEdit* memo, const std::vector<std::string>& lines) {
    QStringList text;
    for (const std::string& line : lines) {
        text << TkxQString(line);
    }
    memo->setPlainText(text.join(QLatin1Char('\n')));
}

} // namespace

std::vector<std::string> TAboutForm::ProgramLines(const std::string& appPath) {
    TTermSettings settings(appPath);
    const auto read = [&settings](const char* key, const char* dflt) {
        return settings.ReadString("AboutForm", key, dflt);
    };
    std::vector<std::string> lines;
    lines.push_back("\t" + read("Application", "-APPLICATION NAME-") + " " +
                    read("Version", "V.ER") + "_");
    lines.emplace_back();
    if (const std::string company = read("Company", ""); !company.empty()) {
        lines.push_back(company);
    }
    if (const std::string address = settings.ReadRawString("AboutForm", "Address");
        !address.empty()) {
        for (std::string& item : SplitCommaText(address)) {
            lines.push_back(std::move(item));
        }
        lines.emplace_back();
    }
    for (const char* key : {"Phone", "Fax", "e-mail", "Web"}) {
        if (const std::string value = read(key, ""); !value.empty()) {
            lines.push_back(std::string(key) + ":\t" + value);
        }
    }
    lines.emplace_back();
    if (const std::string message = settings.ReadRawString("AboutForm", "Message");
        !message.empty()) {
        const std::string frame(19, '-');
        lines.push_back(frame);
        for (std::string& item : SplitCommaText(message)) {
            lines.push_back(std::move(item));
        }
        lines.push_back(frame);
    }
    return lines;
}

TAboutForm::TAboutForm(const std::string& appPath, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("AboutForm"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    FPanel = new QFrame(this);
    FPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    FPanel->setLineWidth(2);
    FPanel->setAutoFillBackground(true);
    QPalette green = FPanel->palette();
    green.setColor(QPalette::Window, TkxQColor(PanelColor));
    FPanel->setPalette(green);
    outer->addWidget(FPanel);
    auto* inner = new QVBoxLayout(FPanel);
    inner->setContentsMargins(5, 5, 5, 5);
    inner->setSpacing(0);

    Memo = MakeMemo(FPanel, QStringLiteral("Memo"));
    QPalette face = Memo->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    Memo->setPalette(face);
    Memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Memo->viewport()->installEventFilter(this);
    DeviceMemo = MakeMemo(FPanel, QStringLiteral("DeviceMemo"));
    QFont device = TkxQFont(QStringLiteral("Courier New"), 10);
    device.setBold(true);
    DeviceMemo->setFont(device);
    QPalette teal = DeviceMemo->palette();
    teal.setColor(QPalette::Text, TkxQColor(DeviceColor));
    DeviceMemo->setPalette(teal);
    inner->addWidget(Memo);
    inner->addWidget(DeviceMemo);

    auto* exit = new QAction(QStringLiteral("Exit"), this);
    exit->setObjectName(QStringLiteral("acExit"));
    exit->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(exit, &QAction::triggered, this, &QDialog::accept);
    addAction(exit);

    SetLines(Memo, ProgramLines(appPath));
    SetLines(DeviceMemo, DeviceLines());
    FitHeights();
}

std::vector<std::string> TAboutForm::DeviceLines() const {
    TkxDeviceSetup* setup = FNetwork != nullptr ? FNetwork->DeviceSetup() : nullptr;
    TkxDeviceSlave* device = setup != nullptr ? setup->Device() : nullptr;
    if (device == nullptr || setup->GetState() != TkxState::Running) {
        return {"Not connected! (or unknown device)"};
    }
    std::vector<std::string> lines;
    lines.push_back("Hardware/Firmware: " + device->GetVersion().GetText());
    lines.push_back("Description: " +
                    (device->Defs() != nullptr ? device->Defs()->GetVersionDescr() : ""));
    device->ListProperties(lines);
    return lines;
}

void TAboutForm::showEvent(QShowEvent* event) {
    SetLines(DeviceMemo, DeviceLines());
    FitHeights();
    QDialog::showEvent(event);
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Memo->viewport() && event->type() == QEvent::MouseButtonRelease) {
        accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutForm::FitHeights() {
    const auto fit = [](QPlainTextEdit* memo, int extraLines) {
        const QFontMetrics metrics(memo->font());
        const int lines = memo->document()->blockCount() + extraLines;
        int width = 0;
        for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next()) {
            width = std::max(width, metrics.horizontalAdvance(block.text()));
        }
        memo->setFixedHeight(metrics.height() * lines +
                             2 * static_cast<int>(memo->document()->documentMargin()));
        memo->setMinimumWidth(width + 4 * static_cast<int>(memo->document()->documentMargin()) +
                              metrics.horizontalAdvance(QLatin1Char('0')) * 4);
        return memo->height();
    };
    fit(Memo, 0);
    fit(DeviceMemo, 1);
    FPanel->setFixedHeight(Memo->maximumHeight() + DeviceMemo->maximumHeight() + 14);
    adjustSize();
}
