#include "support/tkxsimdrivenetwork.h"

#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxdeviceslavecls.h"
#include "modbus/tkxmbcontextcls.h"
#include "modbus/tkxmbthreadsetupcls.h"

#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <unistd.h>

namespace {

// The shipped definition files are copied beside the programs of the build.
const std::string kShippedFolder = std::string(TKX_BINARY_DIR) + "/tools/";

int EntriesIn(const char* folder) {
    std::error_code ec;
    int count = 0;
    for (auto it = std::filesystem::directory_iterator(folder, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        ++count;
    }
    return count;
}

} // namespace

TkxSimDriveNetwork::TkxSimDriveNetwork(const Options& options) {
    TkxSetMainDispatcher(&FDispatcher);
    const std::string link = FFolder.PathOf("drive");
    std::vector<std::string> simArgs = {"--defs",          kShippedFolder + options.DefsFile,
                                        "--link",          link,
                                        "--drive-version", options.Version};
    simArgs.insert(simArgs.end(), options.SimArgs.begin(), options.SimArgs.end());
    FSim = std::make_unique<qxsim::SimProcess>(simArgs);

    FNetwork = std::make_unique<TkxMBNetwork>();
    FNetwork->SetFilePath(kShippedFolder);
    FNetwork->Context()->Ports().Set(1, link);
    auto connection = std::make_unique<TkxMBThreadSetup>(FNetwork->Context());
    connection->SetThreadName("COM1");
    connection->SetComPort(1);
    connection->SetBaudRate(19200);
    connection->SetParity(2);
    connection->SetTimeOut(options.TimeOutMs);
    connection->SetRetries(options.Retries);
    FConnection = connection.get();
    FNetwork->AddConnection(connection);

    auto drive = std::make_unique<TkxDeviceSetup>();
    drive->SetDeviceName("drive");
    drive->SetDeviceAddr(1);
    drive->SetMaxFault(options.MaxFault);
    drive->SetEnabled(true);
    FDriveSetup = drive.get();
    FConnection->AddDeviceSetup(drive);
    FConnection->SetEnabled(true);
}

TkxSimDriveNetwork::~TkxSimDriveNetwork() {
    FNetwork.reset();
    TkxSetMainDispatcher(nullptr);
}

TkxDeviceSlave* TkxSimDriveNetwork::Drive() const {
    return FDriveSetup->Device();
}

int TkxSimDriveNetwork::DriveState() const {
    return FDriveSetup->GetState();
}

bool TkxSimDriveNetwork::WaitUntil(const std::function<bool()>& done,
                                   std::chrono::milliseconds timeout) {
    return FDispatcher.WaitUntil(done, timeout);
}

TkxProcessResources TkxProcessResources::Now() {
    TkxProcessResources now;
    now.Threads = EntriesIn("/proc/self/task");
    now.Descriptors = EntriesIn("/proc/self/fd");
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    if (statm >> pages >> resident) {
        now.ResidentKb = resident * (sysconf(_SC_PAGESIZE) / 1024);
    }
    now.HeapBytes = static_cast<long>(mallinfo2().uordblks);
    return now;
}
