#include "qxdrive/qxdrivecommands.h"
#include "qxdrive/qxdrivenames.h"
#include "qxdrive/qxdrivewatch.h"

#include "base/tkxerror.h"
#include "base/tkxmbresultcodes.h"
#include "base/tkxqueuedispatchercls.h"
#include "base/tkxstatescale.h"
#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxdeviceslavecls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxmbcontextcls.h"
#include "modbus/tkxmbdeviceversioncls.h"
#include "modbus/tkxmbthreadbindingcls.h"
#include "modbus/tkxmbthreadsetupcls.h"
#include "modbus/tkxmbthreadthr.h"
#include "registers/tkxcodepage.h"
#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"
#include "registers/tkxtextresourcecls.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <stdexcept>
#include <utility>
#include <vector>

namespace qxdrive {
namespace {

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
    std::optional<int> Retries;
    std::optional<int> Start;
    std::optional<int> Count;
    int IntervalMs = 1000;
    bool Csv = false;
    std::optional<int> Times;
    bool Verbose = false;
    std::vector<std::string> Operands;
};

int ReadNumber(const std::string& option, const std::string& text, int low, int high) {
    std::uint32_t value = 0;
    if (!TextToInt(text, value) || value < static_cast<std::uint32_t>(low) ||
        value > static_cast<std::uint32_t>(high)) {
        throw UsageError(option + " takes a number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + text + "'");
    }
    return static_cast<int>(value);
}

int ReadParity(const std::string& text) {
    static const char* const names[] = {"none", "odd", "even", "mark", "space"};
    for (int i = 0; i < 5; ++i) {
        if (text == names[i] || (text.size() == 1 && std::toupper(text[0]) == names[i][0] - 32)) {
            return i;
        }
    }
    throw UsageError("--parity takes none, odd, even, mark or space, not '" + text + "'");
}

void ReadHostPort(const std::string& text, MasterOptions& options) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        throw UsageError("--tcp takes HOST:PORT, not '" + text + "'");
    }
    options.Host = text.substr(0, colon);
    options.TcpPort = ReadNumber("--tcp", text.substr(colon + 1), 1, 65535);
}

MasterOptions ParseOptions(const CommandArgs& args) {
    MasterOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) {
                throw UsageError(arg + " needs a value");
            }
            return args[++i];
        };
        if (arg == "--port") {
            options.Port = value();
        } else if (arg == "--tcp") {
            ReadHostPort(value(), options);
        } else if (arg == "--baud") {
            options.Baud = ReadNumber(arg, value(), 50, 4000000);
        } else if (arg == "--parity") {
            options.Parity = ReadParity(value());
        } else if (arg == "--rts-toggle") {
            options.RtsToggle = true;
        } else if (arg == "--ascii") {
            options.Ascii = true;
        } else if (arg == "--slave") {
            options.Slave = ReadNumber(arg, value(), 1, 255);
        } else if (arg == "--defs") {
            options.Defs = value();
        } else if (arg == "--timeout") {
            options.TimeoutMs = ReadNumber(arg, value(), 1, 60000);
        } else if (arg == "--retries") {
            options.Retries = ReadNumber(arg, value(), 0, 10);
        } else if (arg == "--start") {
            options.Start = ReadNumber(arg, value(), 0, 65535);
        } else if (arg == "--count") {
            options.Count = ReadNumber(arg, value(), 1, 65535);
        } else if (arg == "--interval") {
            options.IntervalMs = ReadNumber(arg, value(), 100, 3600000);
        } else if (arg == "-v" || arg == "--verbose") {
            options.Verbose = true;
        } else if (arg == "--csv") {
            options.Csv = true;
        } else if (arg == "--times") {
            options.Times = ReadNumber(arg, value(), 1, 1000000);
        } else if (arg.starts_with("--")) {
            throw UsageError("unknown option " + arg);
        } else {
            options.Operands.push_back(arg);
        }
    }
    if (options.Port.empty() == options.Host.empty()) {
        throw UsageError("give either --port PATH or --tcp HOST:PORT");
    }
    return options;
}

TkxMBThread* ThreadOf(const TkxMBThreadSetup& connection) {
    auto* binding = dynamic_cast<TkxMBThreadBinding*>(connection.Thread());
    return binding != nullptr ? &binding->Thread() : nullptr;
}

// One connection with its thread, and optionally one device on it, as the terminal builds
// them; the main thread serves the dispatcher's queue whenever it waits.
// Writes each request and reply as a line of hex bytes; the tap runs on the communication
// thread, so a line is written whole under a lock.
TkxMBServer::FrameTap FrameWriter(std::ostream& frames) {
    auto lock = std::make_shared<std::mutex>();
    return [&frames, lock](bool sent, std::span<const std::uint8_t> bytes, std::int32_t result) {
        std::string line = sent ? "->" : "<-";
        for (const std::uint8_t byte : bytes) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", byte);
            line += hex;
        }
        if (!sent && result != TkxMBResult::Ok) {
            line += " " + TkxMBTransaction::GetResultText(result);
        }
        const std::lock_guard guard(*lock);
        frames << line << "\n" << std::flush;
    };
}

class MasterSession {
public:
    // With --verbose every request and reply is written to frames as it passes.
    MasterSession(const MasterOptions& options, std::ostream& frames)
        : FOptions(options) {
        if (options.Verbose) {
            FContext->SetFrameTap(FrameWriter(frames));
        }
        TkxSetMainDispatcher(&FDispatcher);
        FConnection = std::make_unique<TkxMBThreadSetup>(FContext);
        FConnection->SetThreadName("qxdrive");
        if (!options.Host.empty()) {
            FConnection->SetConnType(TkxMBThreadSetup::KConnTcpIp);
            FConnection->SetHostName(options.Host);
            FConnection->SetTcpIpPort(options.TcpPort);
        } else {
            FContext->Ports().Set(1, options.Port);
            FConnection->SetComPort(1);
            FConnection->SetBaudRate(options.Baud);
            FConnection->SetParity(options.Parity);
            FConnection->SetFlowCtrl(options.RtsToggle ? 8 : 0);
            FConnection->SetTxMode(options.Ascii ? 1 : 0);
        }
        FConnection->SetTimeOut(options.TimeoutMs);
        if (options.Retries) {
            FConnection->SetRetries(*options.Retries);
        }
    }
    // The connection ends its thread and destroys its devices while the queue is still served.
    ~MasterSession() {
        FConnection.reset();
        TkxSetMainDispatcher(nullptr);
    }
    MasterSession(const MasterSession&) = delete;
    MasterSession& operator=(const MasterSession&) = delete;

    // Opens the line; throws LineError with the reason when it cannot.
    void Open() {
        FConnection->SetEnabled(true);
        FConnection->SetOnLine(true);
        FDispatcher.WaitUntil(
            [&] {
                const int state = FConnection->GetState();
                return state == TkxState::Running || state >= TkxState::Error;
            },
            std::chrono::milliseconds(FOptions.TimeoutMs + 5000));
        if (FConnection->GetState() == TkxState::Running) {
            return;
        }
        const TkxMBThread* thread = Thread();
        if (thread != nullptr && !thread->GetLastErrorText().empty()) {
            throw LineError(thread->GetLastErrorText());
        }
        throw LineError(TkxMBTransaction::GetResultText(
            thread != nullptr ? thread->GetLastError() : TkxMBResult::ConnectionError));
    }

    TkxMBThread* Thread() const { return ThreadOf(*FConnection); }

    // The device at the slave address, laid out from the definitions, attached to the thread.
    TkxDeviceSlave& AddDevice(TkxRegDefsList& defs) {
        auto setup = std::make_unique<TkxDeviceSetup>();
        setup->SetDeviceName("drive");
        setup->SetDeviceAddr(static_cast<std::uint8_t>(FOptions.Slave));
        setup->SetEnabled(true);
        TkxDeviceSetup* device = setup.get();
        FConnection->AddDeviceSetup(setup);
        const TkxVersionRecord unknown;
        device->SetDevice(std::make_unique<TkxDeviceSlave>(device, &unknown, &defs));
        return *device->Device();
    }

    // Runs a one-shot transaction and waits for it; the wait grows with the requests it sends.
    std::int32_t RunOnce(TkxMBTransaction& transaction, int requests) {
        transaction.TerminateIf.set(TkxMBTransaction::Always);
        transaction.SetEnabled(true);
        const int perRequest = FOptions.TimeoutMs * (FConnection->Retries() + 1) + 200;
        if (!transaction.WaitFor(requests * perRequest + 2000)) {
            return TkxMBResult::WaitTimeout;
        }
        return transaction.GetLastError();
    }

    int Retries() const { return FConnection->Retries(); }

    // Serves the queue until done holds.
    void WaitUntil(const std::function<bool()>& done) {
        while (!done()) {
            // Short rounds, so that a flag set by a signal handler is seen.
            FDispatcher.WaitUntil(done, std::chrono::milliseconds(100));
        }
    }

private:
    const MasterOptions& FOptions;
    TkxQueueDispatcher FDispatcher;
    // The tool's own network: real threads and lines, its port as COM1.
    std::shared_ptr<TkxMBContext> FContext = std::make_shared<TkxMBContext>();
    std::unique_ptr<TkxMBThreadSetup> FConnection;
};

// Definition text is Windows-1252; the terminal gets UTF-8.
std::string Shown(std::string_view text) {
    return AnsiToUtf8(text);
}

std::string ValueText(const TkxRegister& reg) {
    const TkxRegDefinition& definition = *reg.Definition();
    if (definition.IsString()) {
        return "\"" + Shown(reg.GetValueText(0, 0)) + "\"";
    }
    std::string text;
    for (int index = 0; index < definition.Length(); ++index) {
        text += (index > 0 ? ", " : "") + Shown(reg.GetValueText(index, 0));
    }
    return text;
}

void PrintRegister(std::ostream& out, const TkxRegister& reg) {
    char address[16];
    std::snprintf(address, sizeof address, "%5d", reg.Definition()->Address());
    std::string name = Shown(reg.Definition()->Name());
    if (name.size() < 24) {
        name.resize(24, ' ');
    }
    out << address << "  " << name << " " << ValueText(reg) << "\n";
}

// The definitions of the file, redirected to the built-in set.
std::unique_ptr<TkxRegDefsList> LoadDefinitions(const std::string& file,
                                                TkxDMCollection& collection) {
    if (file.empty()) {
        throw UsageError("--defs FILE.par is needed to know the registers");
    }
    auto defs = std::make_unique<TkxRegDefsList>();
    defs->LoadFromFile(file);
    defs->Chain(&collection.Predefined());
    defs->Build();
    return defs;
}

// The runs of registers whose address lies inside the range, in address order. A run goes on
// over the further words of a wider register (a long at 10 and a register at 12 are one run);
// an address of no register inside one block would shift the data of the registers after it in
// the device buffer.
std::unique_ptr<TkxRegBlock> DefinedRuns(const TkxRegDefsList& defs, int start, int count) {
    std::vector<std::pair<int, int>> runs; // first and last register address
    int covered = start;                   // the first address after the words of the last run
    for (int address = start; address < start + count; ++address) {
        const TkxRegDefinition* definition = defs.FindByAddress(address);
        if (definition == nullptr) {
            continue;
        }
        if (!runs.empty() && address <= covered) {
            runs.back().second = address;
        } else {
            runs.emplace_back(address, address);
        }
        const auto words =
            static_cast<int>(std::max<std::int64_t>(definition->TotalBytes() / 2, 1));
        covered = std::max(covered, address + words);
    }
    std::unique_ptr<TkxRegBlock> chain;
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        chain = std::make_unique<TkxRegBlock>(
            static_cast<std::uint16_t>(run->first),
            static_cast<std::uint16_t>(run->second - run->first + 1), std::move(chain));
    }
    return chain;
}

// A register by address or by exact name, or null.
TkxRegister* FindRegister(const TkxDeviceSlave& device, const std::string& text) {
    std::uint32_t address = 0;
    if (TextToInt(text, address) && address <= 0xFFFF) {
        return device.RegisterAt(static_cast<int>(address));
    }
    return device.RegisterByName(text);
}

// The blocks a read or watch names: the defined runs of --start/--count, or a category.
std::unique_ptr<TkxRegBlock> SelectedBlocks(const MasterOptions& options, TkxRegDefsList& defs) {
    const bool byRange = options.Start.has_value() || options.Count.has_value();
    if (byRange == (options.Operands.size() == 1) || options.Operands.size() > 1) {
        throw UsageError("give either --start A --count N or one category name");
    }
    if (byRange && !(options.Start && options.Count)) {
        throw UsageError("--start and --count go together");
    }
    if (byRange && *options.Start + *options.Count > 0x10000) {
        throw UsageError("the range ends beyond register 65535");
    }
    std::unique_ptr<TkxRegBlock> blocks;
    if (byRange) {
        blocks = DefinedRuns(defs, *options.Start, *options.Count);
        if (blocks == nullptr) {
            throw UsageError("no register of " + options.Defs + " in that range");
        }
    } else {
        blocks = defs.CategoryBlocks(options.Operands[0]);
        if (blocks == nullptr) {
            throw UsageError("no category '" + options.Operands[0] + "' in " + options.Defs +
                             DidYouMean(CategoryNames(defs), options.Operands[0]));
        }
    }
    return blocks;
}

// A read of the blocks, owned by the device, not yet enabled.
TkxMBChainedTransa* BlockRead(TkxDeviceSlave& device, std::unique_ptr<TkxRegBlock> blocks) {
    auto* read = device.Adopt(std::make_unique<TkxMBChainedTransa>(&device, 1));
    read->SetReadBlocks(std::move(blocks));
    return read;
}

// The registers a read transaction fills: blocks in their order, registers inside a block by
// address.
std::vector<const TkxRegister*> RegistersOf(const TkxMBSimpleTransa& read,
                                            const TkxDeviceSlave& device) {
    std::vector<const TkxRegister*> registers;
    for (const TkxRegBlock* b = read.ReadBlocks(); b != nullptr; b = b->Next()) {
        for (int address = b->Start(); address < b->Start() + b->Count(); ++address) {
            if (const TkxRegister* reg = device.RegisterAt(address)) {
                registers.push_back(reg);
            }
        }
    }
    return registers;
}

// SIGINT and SIGTERM end a watch in good order while this is alive.
class StopOnSignal {
public:
    StopOnSignal() {
        GStopRequested = false;
        struct sigaction action {};
        action.sa_handler = [](int) { GStopRequested = true; };
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &FOldInt);
        sigaction(SIGTERM, &action, &FOldTerm);
    }
    ~StopOnSignal() {
        sigaction(SIGINT, &FOldInt, nullptr);
        sigaction(SIGTERM, &FOldTerm, nullptr);
    }
    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;

    bool Requested() const { return GStopRequested; }

private:
    static inline volatile std::sig_atomic_t GStopRequested = false;
    struct sigaction FOldInt {};
    struct sigaction FOldTerm {};
};

// Runs a command body; usage errors, lines that cannot be opened and definition-file faults
// become messages.
int Guarded(const char* command, const char* usage, std::ostream& err,
            const std::function<int()>& body) {
    try {
        return body();
    } catch (const UsageError& error) {
        err << "qxdrive " << command << ": " << error.what() << "\nusage: qxdrive " << usage
            << "\n";
        return kExitUsage;
    } catch (const std::runtime_error& error) {
        // A line that cannot be opened, or a definition file that cannot be read.
        err << "qxdrive " << command << ": " << error.what() << "\n";
        return kExitFailed;
    }
}

// The line as the options set it up: "/dev/ttyUSB0 at 19200 8E1, RTU" or "host:502".
std::string LineText(const MasterOptions& options) {
    if (!options.Host.empty()) {
        return options.Host + ":" + std::to_string(options.TcpPort) + " (Modbus TCP)";
    }
    return options.Port + " at " + std::to_string(options.Baud) + " 8" + "NOEMS"[options.Parity] +
           "1, " + (options.Ascii ? "ASCII" : "RTU") + (options.RtsToggle ? ", RTS toggled" : "");
}

bool IsExceptionReply(std::int32_t result) {
    return (static_cast<std::uint32_t>(result) & 0xFFFFFF00U) ==
           static_cast<std::uint32_t>(TkxMBResult::ExceptionBase);
}

// What a service engineer can check for a failed exchange.
std::string CheckText(std::int32_t result, const MasterOptions& options) {
    const bool tcp = !options.Host.empty();
    switch (result) {
    case TkxMBResult::Timeout:
        return tcp ? "check that the drive or gateway is on and the unit (slave) address"
                   : "check the cable, the slave address, the baud rate and parity, RTU or ASCII"
                     " (--ascii), and on RS485 the direction control (--rts-toggle)";
    case TkxMBResult::InvalidCrc:
        return "check the baud rate and parity, RTU or ASCII, and the wiring and termination";
    case TkxMBResult::InvalidResponse:
        return "check that only this drive answers at the slave address, and RTU or ASCII";
    case TkxMBResult::IllegalFunction:
        return "the drive does not know this function";
    case TkxMBResult::IllegalAddress:
        return "the drive has no such register: check that the definition file fits the drive";
    case TkxMBResult::IllegalValue:
        return "the drive refused the value or the register count";
    default:
        break;
    }
    if (tcp && (static_cast<std::uint32_t>(result) & 0xFFFFFF00U) == 0x80040500U) {
        return "check the host and port, and that the drive or gateway accepts connections";
    }
    return "";
}

int Failed(const char* command, std::ostream& err, std::int32_t result,
           const MasterOptions& options, int retries) {
    err << "qxdrive " << command << ": " << TkxMBTransaction::GetResultText(result) << "\n";
    // An exception reply means the drive answered; the line itself is fine then.
    if (!IsExceptionReply(result)) {
        err << "  tried: " << LineText(options) << ", slave " << options.Slave << ", "
            << retries + 1 << (retries == 0 ? " attempt" : " attempts") << " of up to "
            << options.TimeoutMs << " ms each\n";
    }
    if (const std::string check = CheckText(result, options); !check.empty()) {
        err << "  " << check << "\n";
    }
    return kExitFailed;
}

constexpr const char* kIdentifyUsage = "identify (--port PATH | --tcp HOST:PORT) [options]";
constexpr const char* kReadUsage =
    "read (--start A --count N | CATEGORY) --defs FILE.par (--port PATH | --tcp HOST:PORT)";
constexpr const char* kWatchUsage =
    "watch (--start A --count N | CATEGORY) --defs FILE.par (--port PATH | --tcp HOST:PORT) "
    "[--interval MS] [--csv] [--times N]";
constexpr const char* kWriteUsage =
    "write REGISTER VALUE --defs FILE.par (--port PATH | --tcp HOST:PORT)";

} // namespace

int CmdIdentify(const CommandArgs& args, std::ostream& out, std::ostream& err) {
    return Guarded("identify", kIdentifyUsage, err, [&] {
        const MasterOptions options = ParseOptions(args);
        if (!options.Operands.empty()) {
            throw UsageError("unexpected '" + options.Operands[0] + "'");
        }
        MasterSession session(options, err);
        session.Open();
        TkxMBThread* thread = session.Thread();
        auto* version = thread->Adopt(std::make_unique<TkxMBDeviceVersion>(thread, 1, 0));
        version->SetSlaveAddress(static_cast<std::uint8_t>(options.Slave));
        const std::int32_t result = session.RunOnce(*version, 1);
        if (result != 0) {
            return Failed("identify", err, result, options, session.Retries());
        }
        out << version->GetVersion().GetText() << "\n";
        return 0;
    });
}

int CmdRead(const CommandArgs& args, std::ostream& out, std::ostream& err) {
    return Guarded("read", kReadUsage, err, [&] {
        const MasterOptions options = ParseOptions(args);
        TkxDMCollection collection;
        const std::unique_ptr<TkxRegDefsList> defs = LoadDefinitions(options.Defs, collection);
        std::unique_ptr<TkxRegBlock> blocks = SelectedBlocks(options, *defs);
        MasterSession session(options, err);
        session.Open();
        TkxDeviceSlave& device = session.AddDevice(*defs);
        auto* read = BlockRead(device, std::move(blocks));
        int requests = 0;
        for (const TkxRegBlock* b = read->ReadBlocks(); b != nullptr; b = b->Next()) {
            ++requests;
        }
        const std::int32_t result = session.RunOnce(*read, requests);
        if (result != 0) {
            return Failed("read", err, result, options, session.Retries());
        }
        for (const TkxRegister* reg : RegistersOf(*read, device)) {
            PrintRegister(out, *reg);
        }
        return 0;
    });
}

int CmdWrite(const CommandArgs& args, std::ostream& out, std::ostream& err) {
    return Guarded("write", kWriteUsage, err, [&] {
        const MasterOptions options = ParseOptions(args);
        if (options.Operands.size() != 2 || options.Start || options.Count) {
            throw UsageError("give one register (address or name) and one value");
        }
        TkxDMCollection collection;
        const std::unique_ptr<TkxRegDefsList> defs = LoadDefinitions(options.Defs, collection);
        const std::string value = Utf8ToAnsi(options.Operands[1]);
        MasterSession session(options, err);
        TkxDeviceSlave& device = session.AddDevice(*defs);
        TkxRegister* reg = FindRegister(device, Utf8ToAnsi(options.Operands[0]));
        if (reg == nullptr) {
            err << "qxdrive write: no register '" << options.Operands[0] << "' in " << options.Defs
                << DidYouMean(RegisterNames(*defs), options.Operands[0]) << "\n";
            return kExitUsage;
        }
        if (const std::string refusal = reg->RefusalOfText(value); !refusal.empty()) {
            err << "qxdrive write: " << Shown(reg->Definition()->Name()) << " takes " << refusal
                << ", not '" << options.Operands[1] << "'; nothing was sent\n";
            return kExitUsage;
        }
        session.Open();
        device.SetThread(session.Thread());
        reg->SetValueText(value, 0, 0);
        if (const std::int32_t result = device.WriteRegister(*reg, true); result != 0) {
            return Failed("write", err, result, options, session.Retries());
        }
        // What the drive holds now, which a drive may have limited on its own.
        if (const std::int32_t result = device.ReadRegister(*reg, true); result != 0) {
            err << "qxdrive write: the drive took the value, but reading it back failed: "
                << TkxMBTransaction::GetResultText(result) << "\n";
            return kExitFailed;
        }
        PrintRegister(out, *reg);
        return 0;
    });
}

int CmdWatch(const CommandArgs& args, std::ostream& out, std::ostream& err) {
    return Guarded("watch", kWatchUsage, err, [&] {
        const MasterOptions options = ParseOptions(args);
        TkxDMCollection collection;
        const std::unique_ptr<TkxRegDefsList> defs = LoadDefinitions(options.Defs, collection);
        std::unique_ptr<TkxRegBlock> blocks = SelectedBlocks(options, *defs);
        MasterSession session(options, err);
        session.Open();
        TkxDeviceSlave& device = session.AddDevice(*defs);
        auto* poll = BlockRead(device, std::move(blocks));
        poll->SetRepeatTime(std::max(1, options.IntervalMs / TkxMBThread::PassMs));
        WatchPrinter printer(out, options.Csv);
        int polls = 0;
        poll->OnResponse = [&](TkxMBTransaction*) {
            std::vector<WatchedValue> values;
            for (const TkxRegister* reg : RegistersOf(*poll, device)) {
                values.push_back({reg->Definition()->Address(), Shown(reg->Definition()->Name()),
                                  ValueText(*reg)});
            }
            printer.Poll(WatchPrinter::Now(), values);
            ++polls;
        };
        poll->OnError = [&](TkxMBTransaction* transaction) {
            printer.Failure(WatchPrinter::Now(),
                            TkxMBTransaction::GetResultText(transaction->GetLastError()));
            ++polls;
        };
        const StopOnSignal stop;
        poll->SetEnabled(true);
        session.WaitUntil([&] {
            return stop.Requested() || (options.Times && polls >= *options.Times) ||
                   poll->GetState() == TkxState::CutOff;
        });
        const bool cutOff = poll->GetState() == TkxState::CutOff;
        poll->SetEnabled(false);
        if (cutOff) {
            err << "qxdrive watch: the drive stopped answering; the watch ends\n";
            return kExitFailed;
        }
        return 0;
    });
}

} // namespace qxdrive
