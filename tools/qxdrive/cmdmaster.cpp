#include "qxdrive/qxdrivecommands.h"
#include "qxdrive/qxdrivenames.h"
#include "qxdrive/qxdrivesession.h"
#include "qxdrive/qxdrivewatch.h"

#include "base/tkxerror.h"
#include "base/tkxmbresultcodes.h"
#include "base/tkxstatescale.h"
#include "devices/tkxdeviceslavecls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxmbdeviceversioncls.h"
#include "modbus/tkxmbthreadthr.h"
#include "registers/tkxcodepage.h"
#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
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
