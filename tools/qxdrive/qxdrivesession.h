#pragma once

#include "qxdrive/qxdrivecommands.h"

#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxversionrecordcls.h"

#include "base/tkxqueuedispatchercls.h"
#include "modbus/tkxmbcontextcls.h"
#include "modbus/tkxmbthreadsetupcls.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

class TkxDeviceQXSlave;
class TkxDeviceSlave;
class TkxDMCollection;
class TkxMBChainedTransa;
class TkxMBSimpleTransa;
class TkxMBThread;
class TkxMBTransaction;
class TkxRegBlock;
class TkxRegDefsList;
class TkxRegister;

namespace qxdrive {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// A command-line mistake; the message is printed with the usage hint.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A line that could not be opened; the message says why.
struct LineError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The options of the commands that talk to a drive: the line, the slave, the definition file
// and what each command takes besides.
struct MasterOptions {
    std::string Port;
    std::string Host;
    int TcpPort = 0;
    int Baud = 19200;
    int Parity = 2; // even, as the drives are set up
    bool RtsToggle = false;
    bool Ascii = false;
    int Slave = 1;
    std::string Defs;
    int TimeoutMs = 500;
    bool TimeoutGiven = false;
    std::optional<int> Retries;
    std::optional<int> Start;
    std::optional<int> Count;
    int IntervalMs = 1000;
    bool Csv = false;
    std::optional<int> Times;
    // The folder searched for definition files; empty for the program's own folder.
    std::string Dir;
    std::optional<int> From;
    std::optional<int> To;
    bool Verbose = false;
    // A drive without a line, of this version.
    std::string Offline;
    bool Send = false;
    bool Save = false;
    std::vector<std::string> Operands;

    bool HasLine() const { return !Port.empty() || !Host.empty(); }
};

// Reads the options; throws UsageError for a mistake, and when the line is not given exactly
// once (at most once when it is optional).
MasterOptions ParseOptions(const CommandArgs& args, bool lineRequired = true);

// The folder of the definition files: --dir, else the one the program lies in, where they are
// installed; empty when that cannot be told.
std::string DefinitionFolder(const MasterOptions& options);

// One connection with its thread, and one device on it, as the terminal builds them; the main
// thread serves the dispatcher's queue whenever it waits. One session at a time: it is the
// process's main dispatcher while it lives.
class MasterSession {
public:
    // With --verbose every request and reply is written to frames as it passes. The options
    // must outlive the session.
    MasterSession(const MasterOptions& options, std::ostream& frames);
    // The connection ends its thread and destroys its devices while the queue is still served.
    ~MasterSession();
    MasterSession(const MasterSession&) = delete;
    MasterSession& operator=(const MasterSession&) = delete;

    // Opens the line; throws LineError with the reason when it cannot.
    void Open();

    TkxMBThread* Thread() const;

    // The device at the slave address, a Device laid out from the definitions, attached to
    // the thread once the line is open. The session has one device; a second call throws.
    template <class Device = TkxDeviceSlave>
    Device& AddDevice(TkxRegDefsList& defs) {
        TkxDeviceSetup& setup = AddDeviceSetup();
        const TkxVersionRecord unknown;
        setup.SetDevice(std::make_unique<Device>(&setup, &unknown, &defs));
        // Enabled only now that it has its device, so the line asks for no identification.
        setup.SetEnabled(true);
        return static_cast<Device&>(*setup.Device());
    }

    // Runs a one-shot transaction and waits for it; the wait grows with the requests it sends.
    std::int32_t RunOnce(TkxMBTransaction& transaction, int requests);
    // How long requests may take with every attempt timing out, and some slack.
    std::chrono::milliseconds WaitForRequests(int requests) const;

    int Retries() const;

    // Serves the queue until done holds.
    void WaitUntil(const std::function<bool()>& done);
    // Serves the queue until done holds or the timeout has passed; true when it holds.
    bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

private:
    TkxDeviceSetup& AddDeviceSetup();

    const MasterOptions& FOptions;
    TkxQueueDispatcher FDispatcher;
    // The tool's own network: real threads and lines, its port as COM1.
    std::shared_ptr<TkxMBContext> FContext = std::make_shared<TkxMBContext>();
    std::unique_ptr<TkxMBThreadSetup> FConnection;
};

// Definition text is Windows-1252; the terminal gets UTF-8.
std::string Shown(std::string_view text);

// The definitions of the file, redirected to the built-in set; throws UsageError without a
// file and a runtime error when it cannot be read.
std::unique_ptr<TkxRegDefsList> LoadDefinitions(const std::string& file,
                                                TkxDMCollection& collection);

// Runs a command body; usage errors, lines that cannot be opened and definition-file faults
// become messages and exit statuses.
int Guarded(const char* command, const char* usage, std::ostream& err,
            const std::function<int()>& body);

// The number of blocks a transaction reads, one request each.
int BlockCount(const TkxMBSimpleTransa& transaction);
// True when a block of the chain holds the address.
bool Holds(const TkxRegBlock* blocks, int address);
// A read of the blocks, owned by the device, not yet enabled.
TkxMBChainedTransa* BlockRead(TkxDeviceSlave& device, std::unique_ptr<TkxRegBlock> blocks);
// Waits for the first result of each of the drive's reads (the periodic ones go on meanwhile),
// then disables them: 0 once each has had a good response, else the first failure.
std::int32_t FirstReads(MasterSession& session, TkxDeviceQXSlave& drive,
                        std::span<TkxMBChainedTransa* const> reads);
// Reads each register that none of the reads covers, one at a time; the first failure, else 0.
std::int32_t ReadUncovered(TkxDeviceSlave& device, std::span<TkxMBChainedTransa* const> reads,
                           const std::vector<const TkxRegister*>& registers);

// True for a result that is the drive's exception reply: the drive answered.
bool IsExceptionReply(std::int32_t result);

// Prints a failed exchange as "qxdrive COMMAND: message", with the line that was tried and what
// a service engineer can check; returns the failure status.
int Failed(const char* command, std::ostream& err, std::int32_t result,
           const MasterOptions& options, int retries);

} // namespace qxdrive
