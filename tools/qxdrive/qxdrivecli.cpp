#include "qxdrive/qxdrivecli.h"

#include "qxdrive/qxdrivecommands.h"
#include "qxdrive/qxdrivenames.h"

#include <algorithm>
#include <iterator>

namespace qxdrive {
namespace {

struct Command {
    const char* Name;
    const char* Synopsis;
    const char* Summary;
    int (*Handler)(const CommandArgs&, std::ostream&, std::ostream&);
    bool UsesLine;
};

const Command kCommands[] = {
    {"defs", "defs [FILE.par]", "every register definition (the built-in set without FILE)",
     CmdDefs, false},
    {"names", "names FILE.par", "the categories and register names of a definition file", CmdNames,
     false},
    {"lint", "lint FILE.par...",
     "the faults of definition files that make a drive misbehave, one line each as "
     "FILE:LINE: message; status 1 when there are any",
     CmdLint, false},
    {"versions", "versions [--dir DIR]",
     "the definition files of DIR (default .) and the versions each serves", CmdVersions, false},
    {"which", "which VERSION [--dir DIR]", "the definition file of DIR that serves VERSION",
     CmdWhich, false},
    {"identify", "identify LINE [--dir DIR]",
     "the version the drive reports (Modbus function 65), the class it gets and the definition "
     "file of DIR that serves it (default: the program's folder)",
     CmdIdentify, true},
    {"scan", "scan LINE [--from A] [--to B] [--dir DIR]",
     "asks each slave address from A to B (default 1..247) for its version, one try of 100 ms "
     "unless --timeout or --retries say otherwise, and lists each that answers as "
     "\"ADDRESS  VERSION  CLASS  FILE\"; status 1 when none does",
     CmdScan, true},
    {"read", "read (--start A --count N | CATEGORY) --defs FILE.par LINE",
     "registers of the drive with their names and values", CmdRead, true},
    {"write", "write REGISTER VALUE --defs FILE.par LINE",
     "one register (address or name), checked before sending, then read back", CmdWrite, true},
    {"setup", "setup --defs FILE.par LINE",
     "the drive's setup as the definition file describes it: each parameter's description, "
     "value and limits, by category",
     CmdSetup, true},
    {"export", "export FILE (--defs FILE.par LINE | --offline VERSION [--dir DIR])",
     "reads the drive's setup and writes it to the configuration file FILE (*.440, *.460, "
     "*.470); offline, the defaults of the drive type VERSION (e.g. QX460v400) whose "
     "definition file lies in DIR (default: the program's folder)",
     CmdExport, true},
    {"import",
     "import FILE (--defs FILE.par LINE [--send | --save] | --offline VERSION [--dir DIR])",
     "loads FILE into the drive object and prints the import report (found, unknown, "
     "excluded, not found, kept, not taken as written) and what would change; nothing reaches "
     "the drive unless --send (RAM) or --save (RAM and EEPROM) is given, and then the setup "
     "is read back and compared with what was sent (status 1 when it differs); a file with "
     "values not taken as written is never sent",
     CmdImport, true},
    {"diff", "diff A B [--defs FILE.par] [--offline VERSION] [--dir DIR] [LINE]",
     "compares two setups, each a configuration file or 'drive' (the drive on LINE, read "
     "through --defs): one line per register that differs, as \"NAME  DESCRIPTION: A -> B\"; "
     "status 0 when equal, 1 when they differ, 2 on trouble. A file is loaded into a drive "
     "without a line of --offline VERSION, else of --defs, else of the latest generation of "
     "its extension's family (.440: QX440v32x, .460: QX460v400, .470: QX470v400)",
     CmdDiff, true},
    {"watch", "watch (--start A --count N | CATEGORY) --defs FILE.par LINE [--interval MS] [--csv]",
     "polls the registers (every 1000 ms) and prints each change with its time, until Ctrl-C "
     "or --times N polls",
     CmdWatch, true},
};

constexpr const char* kLineHelp =
    "LINE is --port PATH [--baud N] [--parity none|odd|even|mark|space] [--rts-toggle]\n"
    "[--ascii] or --tcp HOST:PORT; also --slave N (default 1), --timeout MS (default 500, per\n"
    "attempt), --retries N (default 2: three attempts in all) and -v to print every request\n"
    "and reply in hex.\n";

constexpr const char* kExitHelp =
    "Exit status: 0 done, 1 the line, the drive or a file failed, 2 the command line is wrong\n"
    "or a value was refused before anything was sent.\n";

void PrintUsage(std::ostream& os) {
    os << "usage: qxdrive COMMAND [ARGS]   (qxdrive COMMAND --help for one command)\n\n"
          "commands:\n";
    for (const auto& command : kCommands) {
        os << "  " << command.Synopsis << "\n      " << command.Summary << "\n";
    }
    os << "\n"
       << kLineHelp << "Options take their value as the next word or after '=':\n"
       << "--baud=9600.\n\n"
       << kExitHelp;
}

void PrintCommandUsage(const Command& command, std::ostream& os) {
    os << "usage: qxdrive " << command.Synopsis << "\n  " << command.Summary << "\n";
    if (command.UsesLine) {
        os << "\n" << kLineHelp;
    }
    os << "\n" << kExitHelp;
}

bool IsHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

// "--name=value" becomes "--name" "value", so every command reads both forms alike.
CommandArgs SplitOptionValues(std::vector<std::string>::const_iterator first,
                              std::vector<std::string>::const_iterator last) {
    CommandArgs split;
    for (auto it = first; it != last; ++it) {
        const std::size_t equals = it->find('=');
        if (it->starts_with("--") && equals != std::string::npos && equals > 2) {
            split.push_back(it->substr(0, equals));
            split.push_back(it->substr(equals + 1));
        } else {
            split.push_back(*it);
        }
    }
    return split;
}

std::vector<std::string> CommandNames() {
    std::vector<std::string> names;
    for (const auto& command : kCommands) {
        names.emplace_back(command.Name);
    }
    return names;
}

} // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || IsHelp(args[0]) || args[0] == "help") {
        PrintUsage(args.empty() ? err : out);
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--version" || args[0] == "-V") {
        out << "qxdrive " << TKX_VERSION_TEXT << "\n";
        return 0;
    }
    const auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                                 [&](const Command& c) { return args[0] == c.Name; });
    if (it == std::end(kCommands)) {
        err << "qxdrive: unknown command '" << args[0] << "'" << DidYouMean(CommandNames(), args[0])
            << "\n";
        PrintUsage(err);
        return 2;
    }
    if (std::any_of(args.begin() + 1, args.end(), IsHelp)) {
        PrintCommandUsage(*it, out);
        return 0;
    }
    return it->Handler(SplitOptionValues(args.begin() + 1, args.end()), out, err);
}

} // namespace qxdrive
