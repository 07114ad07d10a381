#pragma once

#include "base/tkxstatescale.h"
#include "devices/tkxdialogprovider.h"
#include "registers/tkxxmlelementcls.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class TkxDeviceSetup;
class TkxDMCollection;
class TkxMBContext;
class TkxMBTransaction;
class TkxMBThreadSetup;

// What a connection setup needs from the network document that holds it: the network's
// device limit and count, the data models that identified devices are laid out from, and the
// entry points of the notifications it relays. The network component implements it; a setup
// in any other document has no network.
class TkxMBNetworkLink {
public:
    // 0 or less: no limit.
    virtual int DevMaxCount() const = 0;
    virtual int GetDevCount() const = 0;
    // The collection that finds the definition file of a device version; null for none.
    virtual TkxDMCollection* DataModels() const = 0;
    virtual void PerformSetupAdd(TkxObject* object) = 0;
    virtual void PerformSetupDel(TkxObject* object) = 0;
    virtual void PerformSetupChange(TkxObject* object) = 0;
    virtual void PerformStateChange(TkxObject* object) = 0;
    virtual void PerformOnDevMaxCount(TkxMBThreadSetup* setup) = 0;
    virtual void PerformTransaError(TkxMBTransaction* transaction) = 0;
    virtual void PerformTransaResponse(TkxMBTransaction* transaction) = 0;

protected:
    TkxMBNetworkLink() = default;
    TkxMBNetworkLink(const TkxMBNetworkLink&) = default;
    TkxMBNetworkLink& operator=(const TkxMBNetworkLink&) = default;
    ~TkxMBNetworkLink() = default;
};

// The setup's view of its communication thread. The thread class implements it; destroying
// the thread stops it and waits until it has ended.
class TkxMBSetupThread {
public:
    TkxMBSetupThread() = default;
    TkxMBSetupThread(const TkxMBSetupThread&) = delete;
    TkxMBSetupThread& operator=(const TkxMBSetupThread&) = delete;
    virtual ~TkxMBSetupThread() = default;

    // The thread's state on the shared scale (see TkxMBThreadSetup::StateText).
    virtual int GetState() const = 0;
    // Lets a thread in an error state try to open the link again.
    virtual void ClearError() = 0;
};

// One Modbus connection, the element "modbus_connection" of a network layout: a serial port
// with its line settings or a TCP/IP host and port, the parent of the connection's device
// setups ("device") and the owner of its communication thread. Settings live as key=value
// lines of the child element "setup". Every notification of the devices, transactions and
// thread below it passes through the Perform... relays on its way to the network.
// Main thread only, except Enabled() and OnLine(), which the thread reads in every pass.
class TkxMBThreadSetup : public TkxXmlElement {
public:
    using Event = std::function<void(TkxMBThreadSetup* sender, TkxObject* object)>;
    using MaxCountEvent = std::function<void(TkxMBThreadSetup* sender, TkxMBThreadSetup* setup)>;

    static constexpr int KConnSerial = 1;
    static constexpr int KConnTcpIp = 2;

    // A setup of its own: a fresh context with real threads and lines and an empty port map.
    TkxMBThreadSetup();
    // A connection of the network that owns context (null: a fresh one), which makes its
    // thread and the thread's line.
    explicit TkxMBThreadSetup(std::shared_ptr<TkxMBContext> context);
    // Stops and destroys the thread, then reports the setup as deleted.
    ~TkxMBThreadSetup() override;

    // Where StartThread gets the communication thread and the thread its line.
    TkxMBContext& Context() const { return *FContext; }

    const std::string& ThreadName() const { return FThreadName; }
    int ConnType() const { return FConnType; }
    int Retries() const { return FRetries; }
    int BaudRate() const { return FBaudRate; }
    int ComPort() const { return FComPort; }
    int ByteSize() const { return FByteSize; }
    int FlowCtrl() const { return FFlowCtrl; }
    int Parity() const { return FParity; }
    int SilentInt() const { return FSilentInt; }
    int StopBits() const { return FStopBits; }
    int TimeOut() const { return FTimeOut; }
    int TxMode() const { return FTxMode; }
    int TcpIpPort() const { return FTcpIpPort; }
    const std::string& HostName() const { return FHostName; }
    bool Enabled() const { return FEnabled; }
    bool OnLine() const { return FOnLine; }
    // 0: no limit.
    int DevMaxCount() const { return FDevMaxCount; }
    void SetDevMaxCount(int count) { FDevMaxCount = count; }
    TkxMBSetupThread* Thread() const { return FThread.get(); }

    // Each stores its key in "setup" and the field, then reports the change. New line settings
    // take effect the next time the link is opened.
    void SetThreadName(std::string_view name);
    void SetConnType(int connType);
    void SetRetries(int retries);
    void SetBaudRate(int baudRate);
    void SetComPort(int comPort);
    void SetByteSize(int byteSize);
    void SetFlowCtrl(int flowCtrl);
    void SetParity(int parity);
    void SetSilentInt(int silentInt);
    void SetStopBits(int stopBits);
    void SetTimeOut(int timeOut);
    void SetTxMode(int txMode);
    void SetTcpIpPort(int port);
    void SetHostName(std::string_view hostName);
    // Enabling a valid setup starts its thread when it is on-line.
    void SetEnabled(bool enabled);
    // Not stored; set by the network. Going on-line starts the thread of a valid setup.
    void SetOnLine(bool onLine);

    // Reads every setting from "setup" (defaults for what is missing), then reports the setup
    // as added.
    void AnalyzeContent() override;

    bool IsValid() const;
    int GetState() const;
    std::string GetStateText() const { return StateText(GetState()); }
    bool CanEdit() const { return GetState() < TkxState::Starting; }
    // "Port mode: COM1-19200-8N1-" or "TCP/IP: host:port", then "\r\nState: " and the state.
    std::string GetInfo() const;

    TkxMBNetworkLink* GetNetwork() const;
    int GetDevCount() const;
    // True when this connection's or the network's device limit is reached.
    bool IsDevMaxCount() const;
    TkxDeviceSetup* FindDevice(std::string_view name) const;
    TkxDeviceSetup* FindDeviceAddr(std::uint8_t address) const;
    // Takes the setup over and returns true; refuses (leaving it with the caller) at a device
    // limit, which is notified, and for a name or address already used on this connection.
    bool AddDeviceSetup(std::unique_ptr<TkxDeviceSetup>& setup);
    // Removes and destroys a device setup of this connection while it may be edited; false
    // when it is not one of this connection's or cannot be edited now.
    bool DeleteDevice(TkxDeviceSetup* setup);

    // Dialog results KDlg...: the device limit, refused duplicates, cancelled or done.
    int NewDeviceDlg(TkxDevParamSet options, int address, int repeatTimeMs, int maxFault);
    int EditDlg(TkxConnParamSet options);

    // Creates the thread when on-line (once) and lets it retry after an error.
    void StartThread();
    // Starts the identification of every device setup that is valid, enabled and has no
    // device yet; run each time the line starts running.
    void StartDevices();

    void PerformSetupAdd(TkxObject* object);
    void PerformSetupChange(TkxObject* object);
    void PerformSetupDel(TkxObject* object);
    void PerformStateChange(TkxObject* object);
    // The transaction results of every device of the connection, on their way to the network.
    void PerformTransaError(TkxMBTransaction* transaction);
    void PerformTransaResponse(TkxMBTransaction* transaction);

    static std::string StateText(int state);
    static std::string ParityText(int parity);
    static std::string StopBitsText(int stopBits);
    static std::string FlowCtrlText(int flowCtrl);

    Event OnSetupAdd;
    Event OnSetupDel;
    Event OnSetupChange;
    Event OnStateChange;
    MaxCountEvent OnDeviceMaxCount;

private:
    void StoreInt(std::string_view key, int& field, int value);
    // While the line runs, a device setup added or changed is identified at once when it can be.
    void StartDeviceWhenRunning(TkxObject* object);
    bool IsSerialValid() const;
    bool NameUsedByOtherConnection() const;

    std::string FThreadName;
    int FConnType = KConnSerial;
    int FRetries = 2;
    int FBaudRate = 19200;
    int FComPort = 1;
    int FByteSize = 8;
    int FFlowCtrl = 0;
    int FParity = 0;
    int FSilentInt = 20;
    int FStopBits = 0;
    int FTimeOut = 500;
    int FTxMode = 0;
    int FTcpIpPort = 502;
    std::string FHostName = "127.0.0.1";
    std::atomic<bool> FEnabled = false;
    std::atomic<bool> FOnLine = false;
    int FDevMaxCount = 65535;
    std::shared_ptr<TkxMBContext> FContext;
    std::unique_ptr<TkxMBSetupThread> FThread;
};
