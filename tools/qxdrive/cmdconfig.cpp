#include "qxdrive/qxdrivecommands.h"
#include "qxdrive/qxdrivesession.h"
#include "qxdrive/qxdrivetext.h"

#include "base/tkxmbresultcodes.h"
#include "devices/tkxconfigfilecls.h"
#include "devices/tkxdevicefactorycls.h"
#include "devices/tkxdeviceqxdrivecls.h"
#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxversionrecordcls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxthreadbuffercls.h"
#include "registers/tkxcodepage.h"
#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qxdrive {
namespace {

constexpr const char* kExportUsage =
    "export FILE (--defs FILE.par LINE | --offline VERSION [--dir DIR])";
constexpr const char* kImportUsage =
    "import FILE (--defs FILE.par LINE [--send | --save] | --offline VERSION [--dir DIR])";
constexpr const char* kDiffUsage = "diff A B [--defs FILE.par] [--offline VERSION] [--dir DIR] "
                                   "[LINE]   (A and B: a file, or 'drive' for the drive on LINE)";

// The operand that names the drive on the line rather than a file.
constexpr std::string_view kDriveOperand = "drive";
// diff: the status of trouble, as diff has it; 1 means the setups differ.
constexpr int kExitTrouble = 2;

// The version of the offline drive of each family when a file's extension is all there is to
// go by: the latest of the shipped generations.
std::optional<std::string> LatestVersionOf(int model) {
    switch (model) {
    case 440:
        return "QX440v32x";
    case 460:
        return "QX460v400";
    case 470:
        return "QX470v400";
    default:
        return std::nullopt;
    }
}

// The drive a file command works on: the drive on the line, or one without a line.
class FileDrive {
public:
    FileDrive() = default;
    FileDrive(const FileDrive&) = delete;
    FileDrive& operator=(const FileDrive&) = delete;

    // A drive without a line: of --offline VERSION (from --defs or the definition folder), else
    // laid out from --defs, else of the latest generation of the family the file's extension
    // names.
    void MakeOffline(const MasterOptions& options, const std::string& file) {
        std::string versionText = options.Offline;
        if (versionText.empty() && options.Defs.empty()) {
            const std::string extension = std::filesystem::path(file).extension().string();
            const std::optional<std::string> latest =
                LatestVersionOf(TkxConfigFile::ModelOfExtension(extension));
            if (!latest) {
                throw UsageError("the extension of " + file +
                                 " names no drive type; give --offline VERSION or --defs FILE.par");
            }
            versionText = *latest;
        }
        if (versionText.empty()) {
            FDefs = LoadDefinitions(options.Defs, FCollection);
            FDevice = std::make_unique<TkxDeviceQXDrive>(&FSetup, &FVersion, FDefs.get());
        } else {
            // The offline texts end in "x", which does not parse; what was read names the drive.
            FVersion.Parse(Utf8ToAnsi(versionText));
            TkxRegDefsList* defs = nullptr;
            if (!options.Defs.empty()) {
                FDefs = LoadDefinitions(options.Defs, FCollection);
                defs = FDefs.get();
            } else {
                FCollection.SetFilePath(DefinitionFolder(options));
                defs = FCollection.FindRegDefsListFor(&FVersion);
            }
            if (defs == nullptr) {
                throw std::runtime_error("no definition file in " + DefinitionFolder(options) +
                                         " serves " + versionText);
            }
            FDevice = TkxDeviceFactory::Create(&FSetup, FVersion, defs);
        }
        FDrive = dynamic_cast<TkxDeviceQXSlave*>(FDevice.get());
        if (FDrive == nullptr) {
            throw std::runtime_error(versionText + " is no drive with a setup");
        }
    }

    // The drive on the line with its setup read: the setup group, and every register of the
    // import group it leaves out. 0, else the result of the failed exchange.
    std::int32_t MakeOnLine(const MasterOptions& options, std::ostream& frames) {
        FDefs = LoadDefinitions(options.Defs, FCollection);
        FSession = std::make_unique<MasterSession>(options, frames);
        FSession->Open();
        TkxDeviceQXDrive& drive = FSession->AddDevice<TkxDeviceQXDrive>(*FDefs);
        FDrive = &drive;
        // Only the setup is of use here.
        drive.ReadState->SetEnabled(false);
        drive.ReadAlarm->SetEnabled(false);
        TkxMBChainedTransa* const reads[] = {drive.ReadSetup};
        if (const std::int32_t result = FirstReads(*FSession, drive, reads); result != 0) {
            return result;
        }
        return ReadUncovered(drive, reads, GroupRegisters());
    }

    TkxDeviceQXSlave& Drive() const { return *FDrive; }
    MasterSession& Session() const { return *FSession; }
    bool OnLine() const { return FSession != nullptr; }

    std::vector<const TkxRegister*> GroupRegisters() const {
        std::vector<const TkxRegister*> registers;
        const std::unique_ptr<TkxRegBlock> group = FDrive->Defs()->CategoryBlocks("ImportExport");
        FDrive->ForEachRegister(group.get(),
                                [&](const TkxRegister& reg) { registers.push_back(&reg); });
        return registers;
    }

private:
    TkxDMCollection FCollection;
    std::unique_ptr<TkxRegDefsList> FDefs;
    TkxVersionRecord FVersion;
    // The session, or the setup of a drive without a line; the device goes before either.
    std::unique_ptr<MasterSession> FSession;
    TkxDeviceSetup FSetup;
    std::unique_ptr<TkxDeviceSlave> FDevice;
    TkxDeviceQXSlave* FDrive = nullptr;
};

std::string Described(const TkxSetupValue& value) {
    return Shown(value.Name) + "  " + Shown(value.Description);
}

std::string ShownValue(const std::optional<TkxSetupValue>& value) {
    return value ? Shown(value->Text) : "(none)";
}

void PrintDifferences(std::ostream& out, const std::vector<TkxSetupDifference>& differences) {
    for (const TkxSetupDifference& d : differences) {
        out << "  " << Described(d.A ? *d.A : *d.B) << ": " << ShownValue(d.A) << " -> "
            << ShownValue(d.B) << "\n";
    }
}

void PrintNames(std::ostream& out, const char* title, const std::vector<std::string>& names) {
    if (names.empty()) {
        return;
    }
    out << "  " << title << " (" << names.size() << "):";
    for (const std::string& name : names) {
        out << " " << Shown(name);
    }
    out << "\n";
}

void PrintReport(std::ostream& out, const TkxImportReport& report) {
    for (std::size_t i = 0; i < 3 && i < report.Log.size(); ++i) {
        out << Shown(report.Log[i]) << "\n";
    }
    if (!report.ConvertedFrom.empty()) {
        out << "  the file is " << report.ConvertedFrom << " text; it was read as such\n";
    }
    out << "  found: " << report.Found.size() << " registers\n";
    PrintNames(out, "unknown", report.Unknown);
    PrintNames(out, "excluded", report.Excluded);
    PrintNames(out, "not found", report.NotFound);
    PrintNames(out, "not in the file, kept", report.Absent);
    for (const auto& [name, what] : report.Adjusted) {
        out << "  not taken as written: " << Shown(name) << ": " << Shown(what) << "\n";
    }
    for (std::size_t i = 3; i < report.Log.size(); ++i) {
        out << Shown(report.Log[i]) << "\n";
    }
}

// Runs the drive's send or save and waits for its end: 0, else the failure.
std::int32_t SendOrSave(FileDrive& line, bool save) {
    TkxDeviceQXSlave& drive = line.Drive();
    std::optional<std::int32_t> result;
    const auto failed = [&result](TkxMBTransaction* sender) {
        if (!result && sender->GetLastError() != TkxMBResult::Ok) {
            result = sender->GetLastError();
        }
    };
    const auto done = [&result](TkxMBTransaction*) { result = TkxMBResult::Ok; };
    drive.SendSetup->OnError = failed;
    drive.SaveEEProm->OnError = failed;
    (save ? drive.OnSetupSaved : drive.OnSetupSent) = done;
    int requests = BlockCount(*drive.SendSetup);
    if (save) {
        drive.SaveToDrive();
        requests += BlockCount(*drive.SaveEEProm);
    } else {
        drive.SendToDrive();
    }
    line.Session().WaitUntil([&] { return result.has_value(); },
                             line.Session().WaitForRequests(requests));
    drive.SendSetup->OnError = nullptr;
    drive.SaveEEProm->OnError = nullptr;
    drive.OnSetupSaved = nullptr;
    drive.OnSetupSent = nullptr;
    return result.value_or(TkxMBResult::WaitTimeout);
}

// Empties the registers' bytes in the drive object, as a transfer would, so that only what a
// read brings in can pass for the drive's values.
void Forget(const std::vector<const TkxRegister*>& registers) {
    for (const TkxRegister* reg : registers) {
        if (reg->Data() != nullptr) {
            TkxThreadBuffer::Writer writer(*reg->Data());
            std::fill(writer.Data(), writer.Data() + reg->Data()->Size(), 0);
        }
    }
}

std::vector<unsigned char> BytesOf(const TkxRegister& reg) {
    TkxThreadBuffer::Reader reader(*reg.Data());
    return {reader.Data(), reader.Data() + reg.Data()->Size()};
}

// Reads the setup back after a send or save and compares it with what was sent; after a save
// the EEPROM copies too. Prints each register that differs; 0 when none does, else the status.
int ReadBack(FileDrive& line, bool save, const MasterOptions& options, std::ostream& out,
             std::ostream& err) {
    TkxDeviceQXSlave& drive = line.Drive();
    MasterSession& session = line.Session();
    const std::vector<const TkxRegister*> group = line.GroupRegisters();
    const std::vector<TkxSetupValue> sent = TkxConfigFile::Snapshot(drive);
    // The EEPROM copies of the group's registers, each with what was sent for it.
    struct Saved {
        const TkxRegister* Copy;
        const TkxSetupValue* Sent;
    };
    std::vector<Saved> saved;
    std::vector<const TkxRegister*> copies;
    for (std::size_t i = 0; save && i < group.size(); ++i) {
        const TkxRegister* copy = drive.RegisterAt(group[i]->Definition()->EEPromCopy());
        if (copy != nullptr && copy != group[i] && copy->Data() != nullptr) {
            saved.push_back({copy, &sent[i]});
            copies.push_back(copy);
        }
    }
    Forget(group);
    Forget(copies);
    TkxMBChainedTransa* const reads[] = {drive.ReadSetup};
    std::int32_t result = session.RunOnce(*drive.ReadSetup, BlockCount(*drive.ReadSetup));
    if (result == 0) {
        result = ReadUncovered(drive, reads, group);
    }
    if (result == 0 && save) {
        TkxMBChainedTransa* eeprom = BlockRead(drive, drive.Defs()->CategoryBlocks("EEPromSetup"));
        TkxMBChainedTransa* const eepromReads[] = {eeprom};
        if (eeprom->ReadBlocks() != nullptr) {
            result = session.RunOnce(*eeprom, BlockCount(*eeprom));
        }
        if (result == 0) {
            result = ReadUncovered(drive, eepromReads, copies);
        }
    }
    if (result != 0) {
        err << "qxdrive import: the setup was " << (save ? "saved" : "sent")
            << ", but reading it back failed\n";
        return Failed("import", err, result, options, session.Retries());
    }
    bool differs = false;
    const std::vector<TkxSetupDifference> ram =
        TkxConfigFile::Differences(sent, TkxConfigFile::Snapshot(drive));
    if (!ram.empty()) {
        err << "qxdrive import: the drive holds other values than were sent:\n";
        PrintDifferences(err, ram);
        differs = true;
    }
    for (const Saved& entry : saved) {
        if (BytesOf(*entry.Copy) != entry.Sent->Bytes) {
            err << "qxdrive import: the EEPROM copy of " << Shown(entry.Sent->Name) << " at "
                << entry.Copy->Definition()->Address() << " holds "
                << Shown(entry.Copy->GetValueText(0, 0)) << ", not " << Shown(entry.Sent->Text)
                << "\n";
            differs = true;
        }
    }
    if (differs) {
        return kExitFailed;
    }
    out << "Read back: the drive holds the imported setup" << (save ? " in RAM and EEPROM" : "")
        << ".\n";
    return 0;
}

void ExpectOneFile(const MasterOptions& options) {
    if (options.Operands.size() != 1) {
        throw UsageError("give one configuration FILE");
    }
}

// A file's setup in an offline drive, the report of it printed to err where something is amiss.
void LoadFileDrive(FileDrive& drive, const MasterOptions& options, const std::string& file,
                   std::ostream& err) {
    drive.MakeOffline(options, file);
    const TkxImportReport report = TkxConfigFile::Import(drive.Drive(), file);
    if (!report.HasSetup) {
        throw std::runtime_error(file + " holds no [QXDRVCFG] section");
    }
    if (!report.Unknown.empty() || !report.Adjusted.empty()) {
        err << "qxdrive diff: " << file << ": " << report.Unknown.size()
            << " entries name no register of the drive, " << report.Adjusted.size()
            << " values were not taken as written\n";
    }
}

} // namespace

int CmdExport(const CommandArgs& args, std::ostream& out, std::ostream& err) {
    return Guarded("export", kExportUsage, err, [&] {
        const MasterOptions options = ParseOptions(args, false);
        ExpectOneFile(options);
        const std::string& file = options.Operands[0];
        FileDrive drive;
        if (options.HasLine() == !options.Offline.empty()) {
            throw UsageError("give either the drive's LINE or --offline VERSION");
        }
        if (options.HasLine()) {
            if (const std::int32_t result = drive.MakeOnLine(options, err); result != 0) {
                return Failed("export", err, result, options, drive.Session().Retries());
            }
        } else {
            drive.MakeOffline(options, file);
        }
        for (const std::string& line : TkxConfigFile::Export(drive.Drive(), file, {})) {
            out << line << "\n";
        }
        return 0;
    });
}

int CmdImport(const CommandArgs& args, std::ostream& out, std::ostream& err) {
    return Guarded("import", kImportUsage, err, [&] {
        const MasterOptions options = ParseOptions(args, false);
        ExpectOneFile(options);
        const std::string& file = options.Operands[0];
        if (options.Send && options.Save) {
            throw UsageError("--send and --save go one at a time");
        }
        if ((options.Send || options.Save) && !options.HasLine()) {
            throw UsageError("--send and --save need the drive's LINE");
        }
        if (options.HasLine() && !options.Offline.empty()) {
            throw UsageError("give either the drive's LINE or --offline VERSION");
        }
        FileDrive drive;
        if (options.HasLine()) {
            if (const std::int32_t result = drive.MakeOnLine(options, err); result != 0) {
                return Failed("import", err, result, options, drive.Session().Retries());
            }
        } else {
            drive.MakeOffline(options, file);
        }
        const std::vector<TkxSetupValue> before = TkxConfigFile::Snapshot(drive.Drive());
        const TkxImportReport report = TkxConfigFile::Import(drive.Drive(), file);
        PrintReport(out, report);
        if (!report.HasSetup) {
            err << "qxdrive import: " << file << " holds no [QXDRVCFG] section; nothing changed\n";
            return kExitFailed;
        }
        const std::vector<TkxSetupDifference> changes =
            TkxConfigFile::Differences(before, TkxConfigFile::Snapshot(drive.Drive()));
        out << (changes.empty() ? "No register changes.\n"
                                : "Changes (" + std::to_string(changes.size()) + "):\n");
        PrintDifferences(out, changes);
        if (!options.Send && !options.Save) {
            if (drive.OnLine()) {
                out << "Nothing was sent; --send or --save sends the setup.\n";
            }
            return 0;
        }
        if (!report.Adjusted.empty()) {
            err << "qxdrive import: " << report.Adjusted.size() << " values of " << file
                << " were not taken as written; nothing was sent\n";
            return kExitFailed;
        }
        if (const std::int32_t result = SendOrSave(drive, options.Save); result != 0) {
            return Failed("import", err, result, options, drive.Session().Retries());
        }
        out << (options.Save ? "Setup saved!\n" : "Setup sent!\n");
        return ReadBack(drive, options.Save, options, out, err);
    });
}

int CmdDiff(const CommandArgs& args, std::ostream& out, std::ostream& err) {
    return Guarded("diff", kDiffUsage, err, [&]() -> int {
        const MasterOptions options = ParseOptions(args, false);
        if (options.Operands.size() != 2) {
            throw UsageError("give two setups to compare: files, or 'drive' for the drive");
        }
        const bool aDrive = options.Operands[0] == kDriveOperand;
        const bool bDrive = options.Operands[1] == kDriveOperand;
        if (aDrive && bDrive) {
            throw UsageError("one drive is on the line; compare it with a file");
        }
        if ((aDrive || bDrive) != options.HasLine()) {
            throw UsageError(options.HasLine() ? "the LINE is given, but no operand is 'drive'"
                                               : "'drive' needs the drive's LINE");
        }
        try {
            FileDrive a;
            FileDrive b;
            for (int i = 0; i < 2; ++i) {
                FileDrive& drive = i == 0 ? a : b;
                const std::string& operand = options.Operands[static_cast<std::size_t>(i)];
                if (operand != kDriveOperand) {
                    LoadFileDrive(drive, options, operand, err);
                } else if (const std::int32_t result = drive.MakeOnLine(options, err);
                           result != 0) {
                    Failed("diff", err, result, options, drive.Session().Retries());
                    return kExitTrouble;
                }
            }
            const std::vector<TkxSetupDifference> differences = TkxConfigFile::Differences(
                TkxConfigFile::Snapshot(a.Drive()), TkxConfigFile::Snapshot(b.Drive()));
            PrintDifferences(out, differences);
            return differences.empty() ? 0 : 1;
        } catch (const UsageError&) {
            throw;
        } catch (const std::runtime_error& error) {
            err << "qxdrive diff: " << error.what() << "\n";
            return kExitTrouble;
        }
    });
}

} // namespace qxdrive
