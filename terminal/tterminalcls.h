#pragma once

#include <memory>
#include <string>

class TAboutForm;
class TControlForm;
class TMainForm;
class TOfflineModeDlg;
class TNetwork;
class TScopeForm;
class TSetupForm;
class TShellForm;
class TTargetsForm;

// The terminal's windows and its network module, made once at start-up in the program's
// order and living until it ends. The network goes first at the end, so that no window is
// told about a connection after it has gone.
class TTerminal {
public:
    // appPath: the start-up folder with a trailing delimiter; installedPath: the folder of the
    // definition files installed with the program, searched when the start-up folder has none.
    TTerminal(const std::string& appPath, const std::string& installedPath);
    ~TTerminal();
    TTerminal(const TTerminal&) = delete;
    TTerminal& operator=(const TTerminal&) = delete;

    TMainForm& MainForm() const { return *FMainForm; }
    TNetwork& Network() const { return *FNetwork; }
    TControlForm& ControlForm() const { return *FControlForm; }
    TSetupForm& SetupForm() const { return *FSetupForm; }
    TScopeForm& ScopeForm() const { return *FScopeForm; }
    TTargetsForm& TargetsForm() const { return *FTargetsForm; }
    TAboutForm& AboutForm() const { return *FAboutForm; }
    TOfflineModeDlg& OfflineModeDlg() const { return *FOfflineModeDlg; }

    // The folder the definition files are read from: the start-up folder when it holds one,
    // else the installed folder.
    static std::string DefinitionFolder(const std::string& appPath,
                                        const std::string& installedPath);

private:
    // The setup window's part in the connection: its log, its drive and its refreshes.
    void LinkSetupForm();

    std::unique_ptr<TMainForm> FMainForm;
    std::unique_ptr<TControlForm> FControlForm;
    std::unique_ptr<TSetupForm> FSetupForm;
    std::unique_ptr<TScopeForm> FScopeForm;
    std::unique_ptr<TAboutForm> FAboutForm;
    std::unique_ptr<TNetwork> FNetwork;
    std::unique_ptr<TTargetsForm> FTargetsForm;
    std::unique_ptr<TOfflineModeDlg> FOfflineModeDlg;
};
