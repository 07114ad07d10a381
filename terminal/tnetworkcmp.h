#pragma once

#include "devices/tkxmbnetworkcmp.h"

#include <QObject>
#include <QString>

#include <memory>
#include <string>
#include <utility>

class TkxDeviceQXDRV;
class TkxDeviceSetup;
class TkxMBThreadSetup;
class TkxParValue;

// The terminal's network module: it owns the network of the one connection the terminal
// holds, builds that connection as the terminal wants it (serial, or offline with a drive of
// a chosen type), and turns every network and drive event into log lines and typed signals
// for the windows. Main thread only; the core delivers its events there.
class TNetwork : public QObject {
    Q_OBJECT
public:
    // The line settings every connection gets.
    static constexpr int BaudRate = 19200;
    static constexpr int EvenParity = 2;
    static constexpr int RtsToggleFlow = 8;
    static constexpr int TimeOutMs = 500;
    static constexpr int RepeatTime = 250;
    static constexpr const char* DeviceName = "QX_DRIVE";

    // definitionPath: the folder (ending in a delimiter) searched for definition files.
    explicit TNetwork(const std::string& definitionPath, QObject* parent = nullptr);
    // Closes the connection.
    ~TNetwork() override;

    TkxMBNetwork& Network() { return FNetwork; }
    TkxDeviceSetup* DeviceSetup() const { return FDeviceSetup; }
    // The drive of the connection, or null.
    TkxDeviceQXDRV* GetDrive() const;
    // The device state of the connection (connected and ready: TkxState::Running); -1 without
    // a connection.
    int DeviceState() const;

    // A serial connection on COMport to the slave; the rest happens through the events.
    void OpenConnection(int port, int slave, bool rtsToggle);
    // A connection that never goes on-line, with the drive the version text names; false,
    // with the reason logged, when no drive is made.
    bool OpenOffline(int port, int slave, const std::string& versionText);
    void CloseConnection();

    // Writes a parameter the user changed to the connected and ready drive at once, waiting
    // for the write, and logs its new value; nothing otherwise.
    void WriteParValue(TkxParValue* par);
    // The positioning reference was edited: the drive writes its whole block in one request.
    void RefPosEdited(TkxParValue* par);

signals:
    void Log(const QString& line);
    // A failure the user must acknowledge.
    void Alert(const QString& message);
    void ConnectionClosed();
    void ConnectionRunning();
    // The windows that must not stay open without a connection close.
    void HideDriveWindows();
    // A drive was found or made: every window binds it.
    void DriveLinked();
    // The drive and its parameters are about to go: every window lets go of them.
    void DriveGoing();
    void ActStateRead();
    void FaultStateRead();
    void SetupRead();
    // The connection or its drive changed state, or came or went.
    void StateChanged();

private:
    void LogText(const std::string& text);
    void LogLines(std::initializer_list<const char*> lines);
    // Lets go of the connection held and makes the one the terminal wants, with its device
    // setup, for the caller to add.
    std::pair<std::unique_ptr<TkxMBThreadSetup>, std::unique_ptr<TkxDeviceSetup>>
    MakeConnection(int port, int slave, bool rtsToggle);
    void NetStateChange(TkxObject* source);
    void ThreadStateChange(TkxMBThreadSetup* setup);
    void DeviceStateChange(TkxDeviceSetup* setup);
    void NoVersion(const TkxVersionRecord* version);
    void TransaError(TkxMBTransaction* transaction);
    void AttachDrive(TkxDeviceQXDRV* drive);

    TkxMBNetwork FNetwork;
    TkxDeviceSetup* FDeviceSetup = nullptr;
    // The drive's state last told, -1 before the first.
    int FDeviceState = -1;
    // A parameter is being written: changes made while its write waits are not written.
    bool FWriting = false;
};
