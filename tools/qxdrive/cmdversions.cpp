#include "qxdrive/qxdrivecommands.h"
#include "qxdrive/qxdrivetext.h"

#include "devices/tkxversionrecordcls.h"
#include "registers/tkxdmcollectioncmp.h"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace qxdrive {
namespace {

constexpr const char* kVersionsUsage = "usage: qxdrive versions [--dir DIR]\n";
constexpr const char* kWhichUsage = "usage: qxdrive which VERSION [--dir DIR]\n";

struct FolderArgs {
    std::string Dir = ".";
    std::vector<std::string> Positional;
};

// Reads "--dir DIR" or "--dir=DIR" anywhere among the arguments; nothing on an unknown
// option or a missing folder name.
std::optional<FolderArgs> ParseFolderArgs(const CommandArgs& args) {
    FolderArgs parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--dir") {
            if (++i == args.size()) {
                return std::nullopt;
            }
            parsed.Dir = args[i];
        } else if (arg.rfind("--dir=", 0) == 0) {
            parsed.Dir = arg.substr(6);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return std::nullopt;
        } else {
            parsed.Positional.push_back(arg);
        }
    }
    return parsed.Dir.empty() ? std::nullopt : std::optional(parsed);
}

// A collection searching the folder; false, with a message, when it is no folder.
bool OpenFolder(TkxDMCollection& collection, const std::string& dir, const char* command,
                std::ostream& err) {
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
        err << "qxdrive " << command << ": " << TerminalText(dir) << " is not a folder\n";
        return false;
    }
    collection.SetFilePath(dir);
    return true;
}

void PrintSkipped(const std::vector<TkxSkippedFile>& skipped, std::ostream& out) {
    for (const auto& file : skipped) {
        out << "skipped " << TerminalText(file.FileName) << ": " << TerminalText(file.Reason)
            << "\n";
    }
}

// Patterns that do not parse cover no device; a file author wants to know.
void PrintBrokenPatterns(TkxDMCollection& collection, std::ostream& out) {
    for (const auto& file : collection.DefinitionFiles()) {
        TkxRegDefsList list;
        try {
            list.LoadFromFile(file);
        } catch (const std::exception&) {
            continue;
        }
        for (const auto& pattern : list.VersionPatterns()) {
            TkxVersionRecord record;
            if (!record.Parse(pattern)) {
                out << "warning: " << TerminalText(std::filesystem::path(file).filename().string())
                    << ": pattern \"" << TerminalText(pattern)
                    << "\" does not parse and serves no device\n";
            }
        }
    }
}

// The first pattern of the list that covers the version, or "" when it was chosen otherwise.
std::string CoveringPattern(TkxRegDefsList& list, const TkxVersionRecord& version) {
    const auto patterns = list.VersionPatterns();
    const auto it = std::find_if(patterns.begin(), patterns.end(),
                                 [&](const std::string& p) { return version.Matches(p); });
    return it == patterns.end() ? std::string() : *it;
}

int ExplainNoFile(TkxDMCollection& collection, const TkxVersionRecord& version, std::ostream& err) {
    const auto skipped = collection.SkippedFiles();
    const auto files = collection.DefinitionFiles();
    err << "qxdrive which: no definition file in " << TerminalText(collection.FilePath())
        << " serves " << TerminalText(version.GetText()) << "\n";
    if (files.empty()) {
        err << "  the folder holds no *." << TerminalText(collection.FileExt()) << " files\n";
    } else {
        err << "  none of its " << files.size() << " *." << TerminalText(collection.FileExt())
            << " files lists a pattern covering it\n";
    }
    for (const auto& file : skipped) {
        err << "  skipped " << TerminalText(file.FileName) << ": " << TerminalText(file.Reason)
            << "\n";
    }
    return 1;
}

} // namespace

int CmdVersions(const CommandArgs& args, std::ostream& out, std::ostream& err) {
    const auto parsed = ParseFolderArgs(args);
    if (!parsed || !parsed->Positional.empty()) {
        err << kVersionsUsage;
        return 2;
    }
    TkxDMCollection collection;
    if (!OpenFolder(collection, parsed->Dir, "versions", err)) {
        return 1;
    }
    std::vector<std::string> lines;
    collection.ExtractAllVersionList(&lines);
    for (const auto& line : lines) {
        out << TerminalText(line) << "\n";
    }
    const auto skipped = collection.SkippedFiles();
    if (!skipped.empty()) {
        out << "\n";
        PrintSkipped(skipped, out);
    }
    PrintBrokenPatterns(collection, out);
    return 0;
}

int CmdWhich(const CommandArgs& args, std::ostream& out, std::ostream& err) {
    const auto parsed = ParseFolderArgs(args);
    if (!parsed || parsed->Positional.size() != 1) {
        err << kWhichUsage;
        return 2;
    }
    TkxDMCollection collection;
    if (!OpenFolder(collection, parsed->Dir, "which", err)) {
        return 1;
    }
    const std::string& text = parsed->Positional[0];
    TkxVersionRecord version;
    if (!version.Parse(text)) {
        // As in offline mode, what was read before the fault still names a device.
        err << "qxdrive which: \"" << TerminalText(text)
            << "\" is not a complete version text; using "
            << "what was read: " << TerminalText(version.GetText()) << "\n";
    }
    auto choice = collection.GetRegDefsFor(&version);
    TkxRegDefsList& list = *choice.List();
    if (list.IsBlank()) {
        return ExplainNoFile(collection, version, err);
    }
    out << "Version:     " << TerminalText(version.GetText()) << "\n";
    out << "File:        " << TerminalText(list.FileName()) << "\n";
    out << "Pattern:     " << TerminalText(CoveringPattern(list, version)) << "\n";
    out << "Description: " << TerminalText(list.GetVersionDescr()) << "\n";
    for (const auto& file : collection.SkippedFiles()) {
        err << "note: skipped " << TerminalText(file.FileName) << ": " << TerminalText(file.Reason)
            << "\n";
    }
    return 0;
}

} // namespace qxdrive
