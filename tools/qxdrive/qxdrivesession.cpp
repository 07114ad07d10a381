#include "qxdrive/qxdrivesession.h"

#include "base/tkxerror.h"
#include "base/tkxmbresultcodes.h"
#include "base/tkxstatescale.h"
#include "devices/tkxdeviceqxslavecls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxmbthreadbindingcls.h"
#include "modbus/tkxmbthreadthr.h"
#include "modbus/tkxmbtransactioncls.h"
#include "registers/tkxcodepage.h"
#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <span>

namespace qxdrive {
namespace {

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

TkxMBThread* ThreadOf(const TkxMBThreadSetup& connection) {
    auto* binding = dynamic_cast<TkxMBThreadBinding*>(connection.Thread());
    return binding != nullptr ? &binding->Thread() : nullptr;
}

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

// The line as the options set it up: "/dev/ttyUSB0 at 19200 8E1, RTU" or "host:502".
std::string LineText(const MasterOptions& options) {
    if (!options.Host.empty()) {
        return options.Host + ":" + std::to_string(options.TcpPort) + " (Modbus TCP)";
    }
    return options.Port + " at " + std::to_string(options.Baud) + " 8" + "NOEMS"[options.Parity] +
           "1, " + (options.Ascii ? "ASCII" : "RTU") + (options.RtsToggle ? ", RTS toggled" : "");
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

} // namespace

int BlockCount(const TkxMBSimpleTransa& transaction) {
    int count = 0;
    for (const TkxRegBlock* b = transaction.ReadBlocks(); b != nullptr; b = b->Next()) {
        ++count;
    }
    return count;
}

bool Holds(const TkxRegBlock* blocks, int address) {
    return blocks != nullptr && blocks->Contains(address);
}

TkxMBChainedTransa* BlockRead(TkxDeviceSlave& device, std::unique_ptr<TkxRegBlock> blocks) {
    auto* read = device.Adopt(std::make_unique<TkxMBChainedTransa>(&device, 1));
    read->SetReadBlocks(std::move(blocks));
    return read;
}

std::int32_t FirstReads(MasterSession& session, TkxDeviceQXSlave& drive,
                        std::span<TkxMBChainedTransa* const> reads) {
    std::optional<std::int32_t> failure;
    int requests = 0;
    for (TkxMBChainedTransa* read : reads) {
        read->OnError = [&failure](TkxMBTransaction* sender) {
            if (!failure && sender->GetLastError() != TkxMBResult::Ok) {
                failure = sender->GetLastError();
            }
        };
        requests += BlockCount(*read);
    }
    // The setup read counts once the drive has taken its values in.
    const auto firstOfEach = [&] {
        return failure.has_value() ||
               std::all_of(reads.begin(), reads.end(), [&](const TkxMBChainedTransa* read) {
                   return read == drive.ReadSetup
                              ? drive.SetupState() != TkxDeviceQXSlave::SetupNotLoaded
                              : read->GetMessageCount() > 0;
               });
    };
    const bool done = session.WaitUntil(firstOfEach, session.WaitForRequests(requests));
    for (TkxMBChainedTransa* read : reads) {
        read->SetEnabled(false);
        read->OnError = nullptr;
    }
    if (failure) {
        return *failure;
    }
    return done ? TkxMBResult::Ok : TkxMBResult::WaitTimeout;
}

std::int32_t ReadUncovered(TkxDeviceSlave& device, std::span<TkxMBChainedTransa* const> reads,
                           const std::vector<const TkxRegister*>& registers) {
    for (const TkxRegister* reg : registers) {
        const int address = reg->Definition()->Address();
        const bool covered = std::any_of(reads.begin(), reads.end(), [&](const auto* read) {
            return Holds(read->ReadBlocks(), address);
        });
        if (!covered) {
            if (const std::int32_t result = device.ReadRegister(*reg, true); result != 0) {
                return result;
            }
        }
    }
    return TkxMBResult::Ok;
}

bool IsExceptionReply(std::int32_t result) {
    return (static_cast<std::uint32_t>(result) & 0xFFFFFF00U) ==
           static_cast<std::uint32_t>(TkxMBResult::ExceptionBase);
}

MasterOptions ParseOptions(const CommandArgs& args, bool lineRequired) {
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
            options.TimeoutGiven = true;
        } else if (arg == "--retries") {
            options.Retries = ReadNumber(arg, value(), 0, 10);
        } else if (arg == "--start") {
            options.Start = ReadNumber(arg, value(), 0, 65535);
        } else if (arg == "--count") {
            options.Count = ReadNumber(arg, value(), 1, 65535);
        } else if (arg == "--interval") {
            options.IntervalMs = ReadNumber(arg, value(), 100, 3600000);
        } else if (arg == "--dir") {
            options.Dir = value();
            if (options.Dir.empty()) {
                throw UsageError("--dir needs a folder");
            }
        } else if (arg == "--from") {
            options.From = ReadNumber(arg, value(), 1, 247);
        } else if (arg == "--to") {
            options.To = ReadNumber(arg, value(), 1, 247);
        } else if (arg == "-v" || arg == "--verbose") {
            options.Verbose = true;
        } else if (arg == "--csv") {
            options.Csv = true;
        } else if (arg == "--times") {
            options.Times = ReadNumber(arg, value(), 1, 1000000);
        } else if (arg == "--offline") {
            options.Offline = value();
            if (options.Offline.empty()) {
                throw UsageError("--offline needs a version, for example QX460v400");
            }
        } else if (arg == "--send") {
            options.Send = true;
        } else if (arg == "--save") {
            options.Save = true;
        } else if (arg.starts_with("--")) {
            throw UsageError("unknown option " + arg);
        } else {
            options.Operands.push_back(arg);
        }
    }
    if (!options.Port.empty() && !options.Host.empty()) {
        throw UsageError("give either --port PATH or --tcp HOST:PORT, not both");
    }
    if (lineRequired && !options.HasLine()) {
        throw UsageError("give either --port PATH or --tcp HOST:PORT");
    }
    return options;
}

std::string DefinitionFolder(const MasterOptions& options) {
    if (!options.Dir.empty()) {
        return options.Dir;
    }
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec).parent_path().string();
}

MasterSession::MasterSession(const MasterOptions& options, std::ostream& frames)
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

MasterSession::~MasterSession() {
    FConnection.reset();
    TkxSetMainDispatcher(nullptr);
}

void MasterSession::Open() {
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

TkxMBThread* MasterSession::Thread() const {
    return ThreadOf(*FConnection);
}

TkxDeviceSetup& MasterSession::AddDeviceSetup() {
    auto setup = std::make_unique<TkxDeviceSetup>();
    setup->SetDeviceName("drive");
    setup->SetDeviceAddr(static_cast<std::uint8_t>(FOptions.Slave));
    TkxDeviceSetup* device = setup.get();
    if (!FConnection->AddDeviceSetup(setup)) {
        throw std::logic_error("the session has its device already");
    }
    return *device;
}

std::int32_t MasterSession::RunOnce(TkxMBTransaction& transaction, int requests) {
    transaction.TerminateIf.set(TkxMBTransaction::Always);
    transaction.SetEnabled(true);
    if (!transaction.WaitFor(static_cast<int>(WaitForRequests(requests).count()))) {
        return TkxMBResult::WaitTimeout;
    }
    return transaction.GetLastError();
}

std::chrono::milliseconds MasterSession::WaitForRequests(int requests) const {
    const int perRequest = FOptions.TimeoutMs * (FConnection->Retries() + 1) + 200;
    return std::chrono::milliseconds(requests * perRequest + 2000);
}

int MasterSession::Retries() const {
    return FConnection->Retries();
}

void MasterSession::WaitUntil(const std::function<bool()>& done) {
    while (!done()) {
        // Short rounds, so that a flag set by a signal handler is seen.
        FDispatcher.WaitUntil(done, std::chrono::milliseconds(100));
    }
}

bool MasterSession::WaitUntil(const std::function<bool()>& done,
                              std::chrono::milliseconds timeout) {
    return FDispatcher.WaitUntil(done, timeout);
}

// Definition text is Windows-1252; the terminal gets UTF-8.
std::string Shown(std::string_view text) {
    return AnsiToUtf8(text);
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

} // namespace qxdrive
