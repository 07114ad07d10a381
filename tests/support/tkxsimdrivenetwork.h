#pragma once

#include "support/simprocess.h"
#include "support/tkxtempfolder.h"

#include "base/tkxqueuedispatchercls.h"
#include "devices/tkxmbnetworkcmp.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TkxDeviceSetup;
class TkxDeviceSlave;
class TkxMBThreadSetup;

// A network of one serial connection and one drive at slave 1, as the terminal builds it,
// against the simulator serving a shipped definition file on a pseudo-terminal. The drive is
// identified by the network and laid out from the shipped files. The main thread serves the
// dispatcher's queue whenever it waits; one such network at a time per process.
class TkxSimDriveNetwork {
public:
    struct Options {
        // A shipped definition file and a version it serves.
        std::string DefsFile = "qx460v4xx.par";
        std::string Version = "QX460v410";
        // Further simulator arguments (faults, pacing).
        std::vector<std::string> SimArgs;
        int TimeOutMs = 200;
        int Retries = 1;
        // Time-outs after which a transaction is cut off; 0: never.
        int MaxFault = 0;
    };

    explicit TkxSimDriveNetwork(const Options& options);
    // Takes the network down while the queue is still served, then the simulator.
    ~TkxSimDriveNetwork();
    TkxSimDriveNetwork(const TkxSimDriveNetwork&) = delete;
    TkxSimDriveNetwork& operator=(const TkxSimDriveNetwork&) = delete;

    // False, with the reason in Problem(), when the simulator did not start.
    bool Started() const { return FSim->Started(); }
    std::string Problem() const { return FSim->Banner(); }
    qxsim::SimProcess& Sim() { return *FSim; }
    TkxMBNetwork& Network() { return *FNetwork; }
    TkxMBThreadSetup& Connection() { return *FConnection; }
    TkxDeviceSetup& DriveSetup() { return *FDriveSetup; }
    // The identified drive, or null before identification.
    TkxDeviceSlave* Drive() const;
    int DriveState() const;

    void SetOnLine(bool onLine) { FNetwork->SetOnLine(onLine); }
    // Serves the queue until done holds or the timeout has passed; true when it holds.
    bool WaitUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Serves the queue for that long.
    void Serve(std::chrono::milliseconds duration) { FDispatcher.PumpFor(duration); }

private:
    TkxQueueDispatcher FDispatcher;
    TkxTempFolder FFolder;
    std::unique_ptr<qxsim::SimProcess> FSim;
    std::unique_ptr<TkxMBNetwork> FNetwork;
    TkxMBThreadSetup* FConnection = nullptr;
    TkxDeviceSetup* FDriveSetup = nullptr;
};

// What this process holds that a connection could leak: its threads and open descriptors.
struct TkxProcessResources {
    int Threads = 0;
    int Descriptors = 0;
    // Resident memory in kB.
    long ResidentKb = 0;
    // Bytes the heap has handed out and not got back.
    long HeapBytes = 0;

    static TkxProcessResources Now();
};
