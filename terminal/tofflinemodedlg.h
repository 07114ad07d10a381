#pragma once

#include <QDialog>

#include <optional>
#include <string>
#include <string_view>

class QPushButton;

// The choice of a drive type for offline work: six drive buttons in two columns (one model a
// row) and Cancel. Each drive button closes the dialog with the version text its drive is
// made from.
class TOfflineModeDlg : public QDialog {
    Q_OBJECT
public:
    struct DriveType {
        const char* Caption;
        const char* Version;
    };
    static constexpr DriveType DriveTypes[6] = {
        {"QX440v30x", "QX440v30x"}, {"QX440v32x", "QX440v32x"}, {"QX460v3xx", "QX460v300"},
        {"QX460v4xx", "QX460v400"}, {"QX470v3xx", "QX470v301"}, {"QX470v4xx", "QX470v400"},
    };

    explicit TOfflineModeDlg(QWidget* parent = nullptr);

    // Shows the dialog modally; the version text of the drive chosen, nothing on Cancel.
    std::optional<std::string> Choose();
    // The version text of a dialog result; nothing for Cancel.
    static std::optional<std::string> VersionOfResult(int result);
    // The button of a drive caption, or Cancel for "Cancel"; null for others.
    QPushButton* Button(std::string_view caption) const;

private:
    static constexpr int FirstDriveResult = 100;
};
