#pragma once

#include <QMainWindow>
#include <QString>

#include <functional>
#include <optional>
#include <string>

class QAction;
class QActionGroup;
class QMenu;
class QPlainTextEdit;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class TkxCheckBox;
class TkxParValue;
class TkxUserInterfaceUtils;
class TNetwork;
class TShellForm;
class TTermSettings;

// The terminal's main window: the tool bar with the connection controls and the buttons of
// the other windows, the log, and the drive's state (hardware information, actual values,
// present and previous faults, the alarm reset). It owns the user's connection choices (port,
// slave address, RTS toggling), keeps them in the settings file, and switches the actions of
// every window with the connection whenever the event loop goes idle.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // The size without settings: the whole tool bar and both state lists in the desktop's
    // usual fonts, the log above them.
    static constexpr int DesignWidth = 760;
    static constexpr int DesignHeight = 680;
    static constexpr int StatePaneHeight = 480;
    static constexpr std::uint32_t MemoColor = 0xFFC890;
    static constexpr std::uint32_t EvenColor = 0xFFC9C0;
    static constexpr std::uint32_t OddColor = 0xFFE9E0;
    static constexpr std::uint32_t FaultColor = 0x0000FF;

    // Windows the main window opens and switches; each may be null.
    struct Windows {
        TShellForm* Control = nullptr;
        TShellForm* Setup = nullptr;
        TShellForm* Scope = nullptr;
        TShellForm* Targets = nullptr;
    };

    // appPath: the start-up folder with a trailing delimiter, home of the settings file.
    explicit TMainForm(const std::string& appPath, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The network module, created after this window; the windows it opens and switches.
    void SetNetwork(TNetwork* network);
    void SetWindows(const Windows& windows) { FWindows = windows; }

    const std::string& AppPath() const { return FAppPath; }
    int Port() const { return FPort; }
    int SlaveAddr() const { return FSlaveAddr; }
    bool RtsToggle() const { return FRtsToggle; }

    // 1..8 selects COMn, 0 offline; any other value is ignored.
    void SelectPort(int port);
    void SetSlaveAddr(int address);
    // The menu item of COMport names the device path it is mapped to.
    void ShowPortPath(int port, const std::string& path);
    void SetRtsToggle(bool on);
    // Binds the drive of the network to the lists and the alarm reset; nothing without one.
    void LinkDevice();
    // Lets go of the drive's parameters: the lists are emptied, the alarm reset hidden.
    void UnlinkDevice();
    // The enabled and checked states of every window's actions from the connection.
    void UpdateActions();
    // Rebuilds the present and previous fault lists from the drive.
    void RebuildFaultLists();
    // Writes the geometry of this and the other windows and the connection choices.
    bool WriteSettings();

    // The log, one line each.
    QStringList LogLines() const;
    void LogLine(const QString& line);

    // What the user is asked and told; replaced by tests.
    std::function<void(const QString& message)> ShowMessage;
    std::function<std::optional<QString>(const QString& title, const QString& prompt,
                                         const QString& text)>
        InputQuery;
    // The drive type for offline work, as a version text; nothing when cancelled.
    std::function<std::optional<std::string>()> ChooseOfflineVersion;
    // Shows the about window.
    std::function<void()> ShowAbout;

    // The controls and actions, named as in the settings and the log.
    QAction* acOpenConnection = nullptr;
    QAction* acCloseConnection = nullptr;
    QAction* acClose = nullptr;
    QAction* acAbout = nullptr;
    QAction* acSlaveAddr = nullptr;
    QAction* acSetupForm = nullptr;
    QAction* acRemoteCtrl = nullptr;
    QAction* acScopeForm = nullptr;
    QAction* acSupportedDev = nullptr;
    QAction* acEditRegister = nullptr;
    QAction* mnRtsToggle = nullptr;
    QAction* mnOffline = nullptr;
    QAction* mnCOM[8] = {};
    QToolButton* tbSelectPort = nullptr;
    QToolButton* tbSlaveAddr = nullptr;
    QToolButton* tbModBus = nullptr;
    QPlainTextEdit* Memo = nullptr;
    QTreeWidget* lvHwInfo = nullptr;
    QTreeWidget* lvActState = nullptr;
    QTabWidget* pcFaultState = nullptr;
    QPlainTextEdit* ActFaultMemo = nullptr;
    QPlainTextEdit* PrevFaultMemo = nullptr;
    TkxCheckBox* cbCmdResetAlarm = nullptr;
    TkxUserInterfaceUtils* kxFastInterface = nullptr;
    TkxUserInterfaceUtils* kxSlowInterface = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildActions();
    void BuildToolBar();
    void BuildPanels();
    void ReadSettings();
    void SlaveAddrExecute();
    void OpenConnectionExecute();
    void CloseConnectionExecute();
    void ConnectionClosed();
    void ConnectionRunning();
    void FastInterfaceBeforeRefresh();
    void EditRegisterExecute();
    void SlowInterfaceEdited(TkxParValue* par);
    void LogRule();
    void Alert(const QString& message);

    std::string FAppPath;
    int FPort = 0;
    int FSlaveAddr = 0;
    bool FRtsToggle = false;
    // Whether the port banner was shown: a port was selected after start-up.
    TNetwork* FNetwork = nullptr;
    Windows FWindows;
    QMenu* FPortMenu = nullptr;
};
