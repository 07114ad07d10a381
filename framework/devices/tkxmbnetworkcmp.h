#pragma once

#include "devices/tkxdialogprovider.h"
#include "modbus/tkxmbthreadsetupcls.h"
#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxxmlparsercmp.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TkxDeviceSetup;
class TkxMBContext;
class TkxMBTransaction;

// What the connection dialog shows for a new connection: the line (serial, or TCP/IP when
// Tcp), the indexes of the dialog's choices and the time-out and host presets.
struct TkxNewConnectionPreset {
    bool Tcp = false;
    int BaudIndex = 0;
    int PortIndex = 0;
    int FlowIndex = 0;
    int ParityIndex = 0;
    int StopIndex = 0;
    int TimeOut = 500;
    std::string HostAddress = "127.0.0.1";
    int HostPort = 502;
};

// A Modbus network: the layout document ("modbus_network", its "modbus_connection" elements
// and their "device" elements) of connections with their devices, switched on-line and off-line
// as a whole, with device limits, the data models that identified devices are laid out from,
// and one set of events that every notification of its connections, devices and transactions
// reaches. Main thread only: notifications from the communication threads arrive through the
// main-thread dispatcher.
class TkxMBNetwork : public TkxXmlParser, public TkxMBNetworkLink {
public:
    using Event = std::function<void(TkxMBNetwork* sender, TkxObject* object)>;
    using MaxCountEvent = std::function<void(TkxMBNetwork* sender, TkxMBThreadSetup* setup)>;
    using TransaEvent = std::function<void(TkxMBNetwork* sender, TkxMBTransaction* transaction)>;

    // The connections make their threads and lines through context (null: a fresh one with
    // real lines and threads).
    explicit TkxMBNetwork(std::shared_ptr<TkxMBContext> context = nullptr);
    // Destroys the layout, each connection ending its thread first, then the data models.
    ~TkxMBNetwork() override;

    TkxMBNetwork(const TkxMBNetwork&) = delete;
    TkxMBNetwork& operator=(const TkxMBNetwork&) = delete;

    const std::string& Name() const { return FName; }
    void SetName(std::string_view name) { FName = name; }
    int DevMaxCount() const override { return FDevMaxCount; }
    void SetDevMaxCount(int count) { FDevMaxCount = count; }
    int GetDevCount() const override;
    const std::string& FilePath() const { return FDataModels->FilePath(); }
    void SetFilePath(const std::string& path) { FDataModels->SetFilePath(path); }
    const std::string& FileExt() const { return FDataModels->FileExt(); }
    void SetFileExt(const std::string& ext) { FDataModels->SetFileExt(ext); }
    const std::string& DfltFile() const { return FDataModels->DfltFile(); }
    void SetDfltFile(const std::string& name) { FDataModels->SetDfltFile(name); }
    bool OnLine() const { return FOnLine; }
    // Tells every connection, in document order; each running connection opens or closes its
    // line. Nothing when unchanged.
    void SetOnLine(bool onLine);

    TkxDMCollection* DataModels() const override { return FDataModels.get(); }
    const std::shared_ptr<TkxMBContext>& Context() const { return FContext; }

    // Takes the connection over and returns true; refuses (leaving it with the caller) a null
    // one and a name already used. The connection joins the network's on-line state.
    bool AddConnection(std::unique_ptr<TkxMBThreadSetup>& setup);
    TkxMBThreadSetup* FindMBThread(std::string_view name) const;
    // The first connection, in document order, at one of the device limits; null for none.
    TkxMBThreadSetup* IsDevMaxCount() const;

    // The connection dialog for a new connection: KDlgDone when the network took the new
    // connection, KDlgRefused when its name is used, KDlgCancelled.
    int NewThreadSetupDlg(TkxConnParamSet options, const TkxNewConnectionPreset& preset);
    // Removes and destroys a connection that may be edited (not running); false otherwise.
    bool DeleteThreadSetupDlg(TkxMBThreadSetup* setup);
    // The list of the definition files found and the versions each serves.
    void ShowSupportedDeviceList();

    // What the last layout read found wrong, one line each: elements it does not know (kept
    // as they are), and what it left out: devices beyond the device limit, a connection whose
    // name an earlier one has, devices outside the slave addresses 1..247 or at the address of
    // an earlier device of their connection.
    const std::vector<std::string>& LayoutProblems() const { return FLayoutProblems; }

    void PerformSetupAdd(TkxObject* object) override;
    void PerformSetupDel(TkxObject* object) override;
    void PerformSetupChange(TkxObject* object) override;
    void PerformStateChange(TkxObject* object) override;
    void PerformOnDevMaxCount(TkxMBThreadSetup* setup) override;
    void PerformTransaError(TkxMBTransaction* transaction) override;
    void PerformTransaResponse(TkxMBTransaction* transaction) override;

    Event OnNetSetupAdd;
    Event OnNetSetupDel;
    Event OnNetSetupChange;
    Event OnNetStateChange;
    TkxVersionEvent OnNoVersion;
    TkxVersionEvent OnVersion;
    MaxCountEvent OnDeviceMaxCount;
    TransaEvent OnTransaError;
    TransaEvent OnTransaResponse;

protected:
    // "modbus_connection" inside the network element and "device" (within the device limits)
    // inside a connection, of a layout being read.
    std::unique_ptr<TkxXmlElement> AllocXmlElement(TkxXmlElement* parent) override;
    // A connection or device read whole that the layout cannot hold is taken out again.
    void PerformOnContentAnalyzed(TkxXmlElement* element) override;

private:
    TkxXmlElement* NetworkElement() const;
    void Fire(const Event& event, TkxObject* object);
    // True for the network element and the elements inside it.
    bool InNetwork(const TkxXmlElement* element) const;
    // Notes an element of the layout the reader does not know at that place.
    void CheckKnown(const TkxXmlElement* parent);
    // Why the layout cannot hold the device read last, or "".
    std::string DeviceProblem(const TkxDeviceSetup& device) const;
    // Takes a connection or device out of the layout just read, reporting it as deleted.
    void LeaveOut(TkxXmlElement* element, const std::string& why);

    std::string FName;
    int FDevMaxCount = 0;
    bool FOnLine = false;
    std::shared_ptr<TkxMBContext> FContext;
    std::unique_ptr<TkxDMCollection> FDataModels;
    std::vector<std::string> FLayoutProblems;
};
