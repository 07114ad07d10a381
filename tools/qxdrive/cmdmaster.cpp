#include "qxdrive/qxdrivecommands.h"
#include "qxdrive/qxdrivenames.h"
#include "qxdrive/qxdrivesession.h"
#include "qxdrive/qxdrivetext.h"
#include "qxdrive/qxdrivewatch.h"

#include "base/tkxerror.h"
#include "base/tkxmbresultcodes.h"
#include "base/tkxstatescale.h"
#include "devices/tkxdevicefactorycls.h"
#include "devices/tkxdeviceslavecls.h"
#include "devices/tkxversionrecordcls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxmbdeviceversioncls.h"
#include "modbus/tkxmbthreadthr.h"
#include "registers/tkxcodepage.h"
#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <utility>
#include <vector>

namespace qxdrive {
namespace {

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

// The class a version gets and the definition file of a folder that serves it, or "none" with
// the reason.
class DriveKinds {
public:
    // The folder given, else the one the program lies in, where its definition files are
    // installed.
    explicit DriveKinds(const MasterOptions& options) {
        const std::string folder = DefinitionFolder(options);
        std::error_code ec;
        if (folder.empty() || !std::filesystem::is_directory(folder, ec)) {
            FFault =
                TerminalText(folder.empty() ? "the program's folder" : folder) + " is not a folder";
        } else {
            FCollection.SetFilePath(folder);
        }
    }

    std::string ClassOf(const TkxVersionRecord& version) const {
        return std::string(TkxDeviceFactory::ClassFor(version));
    }

    std::string FileOf(const TkxVersionRecord& version) {
        if (!FFault.empty()) {
            return "none (" + FFault + ")";
        }
        const TkxRegDefsChoice choice = FCollection.GetRegDefsFor(&version);
        if (!choice.List()->IsBlank()) {
            return TerminalText(choice.List()->FileName());
        }
        const std::string ext = TerminalText(FCollection.FileExt());
        const std::string folder = TerminalText(FCollection.FilePath());
        if (FCollection.DefinitionFiles().empty()) {
            return "none (" + folder + " holds no *." + ext + " files)";
        }
        return "none (no *." + ext + " file in " + folder + " covers " +
               TerminalText(version.GetText()) + ")";
    }

private:
    TkxDMCollection FCollection;
    std::string FFault;
};

// Asks the slave at the address for its version once; the result of the exchange.
std::int32_t AskVersion(MasterSession& session, int address, TkxVersionRecord& version) {
    TkxMBThread* thread = session.Thread();
    auto* request = thread->Adopt(std::make_unique<TkxMBDeviceVersion>(thread, 1, 0));
    request->SetSlaveAddress(static_cast<std::uint8_t>(address));
    const std::int32_t result = session.RunOnce(*request, 1);
    if (result == 0) {
        version = request->GetVersion();
    }
    return result;
}

// The line a scan overwrites with where it is, on a terminal only.
class ScanProgress {
public:
    ScanProgress(std::ostream& err, int from, int to)
        : FErr(err)
        , FShown(&err == &std::cerr && isatty(STDERR_FILENO) == 1)
        , FFrom(from)
        , FTo(to) {}
    ~ScanProgress() { Clear(); }
    ScanProgress(const ScanProgress&) = delete;
    ScanProgress& operator=(const ScanProgress&) = delete;

    void Show(int address, int found) {
        if (!FShown) {
            return;
        }
        const std::string text = "scanning " + std::to_string(address) + " (" +
                                 std::to_string(FFrom) + ".." + std::to_string(FTo) + "), " +
                                 std::to_string(found) + " found";
        FErr << "\r" << text << std::string(FWidth > text.size() ? FWidth - text.size() : 0, ' ')
             << std::flush;
        FWidth = text.size();
    }
    // Empties the line before anything else is printed.
    void Clear() {
        if (FShown && FWidth > 0) {
            FErr << "\r" << std::string(FWidth, ' ') << "\r" << std::flush;
            FWidth = 0;
        }
    }

private:
    std::ostream& FErr;
    const bool FShown;
    const int FFrom;
    const int FTo;
    std::size_t FWidth = 0;
};

// Each address gets one short try unless the command line says otherwise.
constexpr int kScanTimeoutMs = 100;

constexpr const char* kIdentifyUsage =
    "identify (--port PATH | --tcp HOST:PORT) [--dir DIR] [options]";
constexpr const char* kScanUsage =
    "scan (--port PATH | --tcp HOST:PORT) [--from A] [--to B] [--dir DIR] [options]";
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
        DriveKinds kinds(options);
        MasterSession session(options, err);
        session.Open();
        TkxVersionRecord version;
        const std::int32_t result = AskVersion(session, options.Slave, version);
        if (result != 0) {
            return Failed("identify", err, result, options, session.Retries());
        }
        out << TerminalText(version.GetText()) << "\n"
            << "Class:       " << kinds.ClassOf(version) << "\n"
            << "File:        " << kinds.FileOf(version) << "\n";
        return 0;
    });
}

int CmdScan(const CommandArgs& args, std::ostream& out, std::ostream& err) {
    return Guarded("scan", kScanUsage, err, [&] {
        MasterOptions options = ParseOptions(args);
        if (!options.Operands.empty()) {
            throw UsageError("unexpected '" + options.Operands[0] + "'");
        }
        const int from = options.From.value_or(1);
        const int to = options.To.value_or(247);
        if (from > to) {
            throw UsageError("--from " + std::to_string(from) + " lies above --to " +
                             std::to_string(to));
        }
        if (!options.TimeoutGiven) {
            options.TimeoutMs = kScanTimeoutMs;
        }
        options.Retries = options.Retries.value_or(0);
        DriveKinds kinds(options);
        MasterSession session(options, err);
        session.Open();
        ScanProgress progress(err, from, to);
        int found = 0;
        for (int address = from; address <= to; ++address) {
            progress.Show(address, found);
            TkxVersionRecord version;
            const std::int32_t result = AskVersion(session, address, version);
            if (result == TkxMBResult::Timeout || result == TkxMBResult::WaitTimeout) {
                continue;
            }
            progress.Clear();
            if (result == 0) {
                ++found;
                out << address << "  " << TerminalText(version.GetText()) << "  "
                    << kinds.ClassOf(version) << "  " << kinds.FileOf(version) << std::endl;
            } else if (IsExceptionReply(result)) {
                // Something answers there, but it tells no version.
                ++found;
                out << address << "  none (" << TkxMBTransaction::GetResultText(result) << ")"
                    << std::endl;
            } else {
                err << "qxdrive scan: address " << address << ": "
                    << TkxMBTransaction::GetResultText(result) << "\n";
            }
        }
        progress.Clear();
        if (found == 0) {
            err << "qxdrive scan: no slave answered at " << from << ".." << to << "\n";
            return kExitFailed;
        }
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
