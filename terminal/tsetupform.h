#pragma once

#include "tshellform.h"

#include <QPixmap>
#include <QString>

#include <exception>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

class QGroupBox;
class QLabel;
class QTabWidget;
class QToolBar;
class QToolButton;
class QTreeWidget;
class TkxDeviceQXDRV;
class TkxParEncoded;
class TkxParValue;
class TkxPrintRtfDoc;
class TkxRadioGroup;
class TkxUserInterfaceUtils;
class TNetwork;

// The drive's setup, page by page: every setup parameter bound to a list row or a radio group,
// with rules that switch rows on and off by the motor type, the feedback sources and the
// control mode, so that only what matters for the chosen configuration can be edited. It sends
// the setup, saves it in the drive's EEPROM, reloads it, writes it to a configuration file,
// reads one back and prints a report of it. Without a link (offline) it works on the drive
// object alone: edits, files and the report, but nothing sent.
class TSetupForm : public TShellForm {
    Q_OBJECT
public:
    // The zeroing pictures, one per active level and direction.
    static constexpr int ZeroPictureFirst = 12289;
    static constexpr int ZeroPictureWidth = 170;
    static constexpr int ZeroPictureHeight = 70;

    // appPath: the start-up folder with a trailing delimiter, home of the settings file.
    explicit TSetupForm(const std::string& appPath, QWidget* parent = nullptr);
    ~TSetupForm() override;

    void SetNetwork(TNetwork* network) { FNetwork = network; }
    // Binds every page to the network's drive; empties them without one.
    void LinkDevice();
    // Lets go of the drive's parameters.
    void UnlinkDevice();
    // Shows the window on values just read from the drive, without reading them again.
    void ShowReadSetup();
    // Whether the window may close: asks when the drive on the line holds a setup not sent
    // or not saved.
    bool CloseQuery() override;
    // The picture of a zeroing sequence (ZeroPictureFirst to ZeroPictureFirst + 3); a null
    // pixmap for any other number.
    static QPixmap ZeroPicture(int id);
    // The number of the picture shown: ZeroPictureFirst + 2 for an active-high zero input,
    // + 1 for the negative direction.
    int ZeroPictureShown() const { return FZeroPicture; }

    // The report of the setup as it is shown now.
    void ComposeReport(class QTextDocument& document) const;

    // The drive's setup to and from configuration files: the chosen path, or "" when the
    // dialog was cancelled. Replaced by tests.
    using TFileChooser = std::function<QString(const QString& title, const QString& filter,
                                               int filterIndex, const QString& extension)>;
    TFileChooser ChooseExportFile;
    TFileChooser ChooseImportFile;
    // A warning with Yes and No; true on Yes. Replaced by tests.
    std::function<bool(const QString& message)> ConfirmWarning;
    // An error the user must acknowledge. Replaced by tests.
    std::function<void(const QString& message)> ShowError;
    // Refreshes the remote-control window after an edit here; may be empty.
    std::function<void()> RefreshControl;
    // Shows the predefined targets modally; may be empty.
    std::function<void()> ShowTargets;

    // The actions, the pages and their controls, named as the settings and the log name them.
    QAction* acClose = nullptr;
    QAction* acReload = nullptr;
    QAction* acSend = nullptr;
    QAction* acSave = nullptr;
    QAction* acImport = nullptr;
    QAction* acExport = nullptr;
    QAction* acPrint = nullptr;
    QAction* acTarget = nullptr;
    QToolBar* tbSetup = nullptr;
    QTabWidget* pcSetup = nullptr;
    QTabWidget* pcTransducers = nullptr;
    QTabWidget* pcControlMode = nullptr;
    QTreeWidget* lvMains = nullptr;
    TkxRadioGroup* rgMotorType = nullptr;
    TkxRadioGroup* rgPhaseGenMux = nullptr;
    QTreeWidget* lvMotor = nullptr;
    TkxRadioGroup* rgResolverReverse = nullptr;
    QTreeWidget* lvResolver = nullptr;
    TkxRadioGroup* rgMainEncoderReverse = nullptr;
    QTreeWidget* lvMainEncoder = nullptr;
    TkxRadioGroup* rgSecondaryEncoderReverse = nullptr;
    QTreeWidget* lvSecondaryEncoder = nullptr;
    QTreeWidget* lvHallEffect = nullptr;
    QTreeWidget* lvControlMode = nullptr;
    QTreeWidget* lvFieldLoop = nullptr;
    TkxRadioGroup* rgCurrentLimitMux = nullptr;
    TkxRadioGroup* rgCurrentRefMux = nullptr;
    QTreeWidget* lvCurrentLoop = nullptr;
    TkxRadioGroup* rgSpeedRefMux = nullptr;
    TkxRadioGroup* rgSpeedFeedbackMux = nullptr;
    QTreeWidget* lvSpeedLoop = nullptr;
    TkxRadioGroup* rgRampRefMux = nullptr;
    QTreeWidget* lvRampSetup = nullptr;
    TkxRadioGroup* rgPosRefMux = nullptr;
    TkxRadioGroup* rgPosFeedbackMux = nullptr;
    QTreeWidget* lvPositionLoop = nullptr;
    TkxRadioGroup* rgPosIncRefMux = nullptr;
    QTreeWidget* lvElAxis = nullptr;
    TkxRadioGroup* rgUseSyncSignal = nullptr;
    QTreeWidget* lvPosTarget = nullptr;
    QToolButton* btnSetTarget = nullptr;
    QLabel* Image = nullptr;
    TkxRadioGroup* rgZeroLevel = nullptr;
    TkxRadioGroup* rgZeroDir = nullptr;
    QTreeWidget* lvZeroing = nullptr;
    TkxRadioGroup* rgCfgOutRelayMode = nullptr;
    QTreeWidget* lvBrake = nullptr;
    TkxRadioGroup* rgUseHwLimits = nullptr;
    TkxRadioGroup* rgUseSwLimits = nullptr;
    TkxRadioGroup* rgCfgEndSwitchBrake = nullptr;
    QTreeWidget* lvLimits = nullptr;
    QTreeWidget* lvCmdFromBus = nullptr;
    QGroupBox* gbModBus = nullptr;
    QTreeWidget* lvModBusSlave = nullptr;
    QToolButton* sbtnSaveModBusSlave = nullptr;
    QToolButton* sbtnSaveModBusBaudRate = nullptr;
    QGroupBox* gbCanBus = nullptr;
    QTreeWidget* lvCanBusBaudRate = nullptr;
    QToolButton* sbtnSaveCanBusAddress = nullptr;
    QToolButton* sbtnSaveCanBusBaudRate = nullptr;
    QToolButton* sbtnSaveStdCanRxID = nullptr;
    QToolButton* sbtnSaveStdCanTxID = nullptr;
    QGroupBox* gbRxFrames = nullptr;
    QTreeWidget* lvRxFrames = nullptr;
    QGroupBox* gbTxFrames = nullptr;
    QTreeWidget* lvTxFrames = nullptr;
    TkxUserInterfaceUtils* kxInterface = nullptr;
    TkxPrintRtfDoc* kxPrintDoc = nullptr;

signals:
    void Log(const QString& line);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildActions();
    void BuildPages();
    TkxDeviceQXDRV* Drive() const;
    bool DriveRunning() const;
    void InterfaceBeforeRefresh();
    void InterfaceAfterRefresh();
    void InterfaceEdited();
    void ReloadExecute();
    void SendExecute();
    void SaveExecute();
    void ImportExecute();
    void ExportExecute();
    void PrintExecute();
    // The file the user picks for the drive's model, or "" without a drive or when cancelled.
    QString ChooseFile(const TFileChooser& choose, const char* title) const;
    // A file not read or written: the log says why, and so does a message.
    void FileFailed(const QString& first, const QString& failed, const QString& message,
                    const std::exception& error);
    // Writes one EEPROM parameter at once and tells that it counts after a restart.
    void SaveEEValue(TkxParValue* par, const char* name);
    void LogLines(const std::vector<std::string>& lines);
    // The choices of the cyclic frame fields: none, or a register of their group.
    static void OfferFrameChoices(TkxDeviceQXDRV& drive, const char* group,
                                  std::initializer_list<TkxParEncoded*> frames);

    std::string FAppPath;
    TNetwork* FNetwork = nullptr;
    int FZeroPicture = ZeroPictureFirst;
    // The window is being shown on a setup just read.
    bool FShowingRead = false;
    // The window was closed after its query: the close goes through without asking again.
    bool FClosing = false;
};
