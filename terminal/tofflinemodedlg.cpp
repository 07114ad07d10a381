#include "tofflinemodedlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

TOfflineModeDlg::TOfflineModeDlg(QWidget* parent)
    : QDialog(parent, Qt::Tool) {
    setObjectName(QStringLiteral("OfflineModeDlg"));
    setWindowTitle(QStringLiteral("Offline Mode"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral(" Choose offline mode "), this);
    auto* grid = new QGridLayout(group);
    for (int index = 0; index < 6; ++index) {
        auto* button = new QPushButton(QString::fromLatin1(DriveTypes[index].Caption), group);
        button->setObjectName(button->text());
        button->setFixedSize(137, 57);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this,
                [this, index] { done(FirstDriveResult + index); });
        grid->addWidget(button, index / 2, index % 2);
    }
    layout->addWidget(group);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Cancel"));
    cancel->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(cancel);
    setFixedSize(sizeHint());
}

std::optional<std::string> TOfflineModeDlg::VersionOfResult(int result) {
    const int index = result - FirstDriveResult;
    if (index < 0 || index >= 6) {
        return std::nullopt;
    }
    return std::string(DriveTypes[index].Version);
}

std::optional<std::string> TOfflineModeDlg::Choose() {
    return VersionOfResult(exec());
}

QPushButton* TOfflineModeDlg::Button(std::string_view caption) const {
    return findChild<QPushButton*>(
        QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size())));
}
