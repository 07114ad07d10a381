#include "ui/tkxsupporteddevicelistdlg.h"

#include "devices/tkxdialogprovider.h"
#include "ui/tkxqtconvert.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

TkxSupportedDeviceList::TkxSupportedDeviceList(QWidget* parent)
    : QDialog(parent, Qt::Tool)
    , FMemo(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("kxSupportedDeviceList"));
    setWindowTitle(QStringLiteral("Supported devices"));
    resize(499, 240);
    FMemo->setReadOnly(true);
    FMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    FMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FMemo->setFont(TkxQFont(QStringLiteral("Courier New"), 10));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FMemo);
}

TkxSupportedDeviceList::~TkxSupportedDeviceList() = default;

void TkxSupportedDeviceList::Fill(TkxDMCollection* collection) {
    FMemo->clear();
    QStringList lines;
    for (const std::string& line : TkxDialogProvider::SupportedDeviceLines(collection)) {
        lines.append(TkxQString(line));
    }
    FMemo->setPlainText(lines.join(QLatin1Char('\n')));
}
