#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QFrame;
class QPlainTextEdit;
class TNetwork;

// The program's name, version and maker from the settings file, and the identity of the
// connected drive. Borderless; Escape or a click on the text closes it.
class TAboutForm : public QDialog {
    Q_OBJECT
public:
    static constexpr std::uint32_t PanelColor = 0x008000;
    static constexpr std::uint32_t DeviceColor = 0x808000;

    explicit TAboutForm(const std::string& appPath, QWidget* parent = nullptr);
    // The network module whose drive is shown; made after this window.
    void SetNetwork(TNetwork* network) { FNetwork = network; }

    // The lines of the program's text from the settings of the "AboutForm" section.
    static std::vector<std::string> ProgramLines(const std::string& appPath);
    // The lines of the drive's identity, or why there is none.
    std::vector<std::string> DeviceLines() const;

    QPlainTextEdit* Memo = nullptr;
    QPlainTextEdit* DeviceMemo = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FitHeights();

    TNetwork* FNetwork = nullptr;
    QFrame* FPanel = nullptr;
};
