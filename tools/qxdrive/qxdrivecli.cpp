#include "qxdrive/qxdrivecli.h"

#include "qxdrive/qxdrivecommands.h"

#include <algorithm>
#include <iterator>

namespace qxdrive {
namespace {

struct Command {
    const char* Name;
    const char* Synopsis;
    int (*Handler)(const CommandArgs&, std::ostream&, std::ostream&);
};

const Command kCommands[] = {
    {"defs", "defs [FILE.par]      print every register definition (built-in set without FILE)",
     CmdDefs},
    {"versions", "versions [--dir DIR] the definition files of DIR (default .) and their versions",
     CmdVersions},
    {"which", "which VERSION [--dir DIR]  the definition file of DIR that serves VERSION",
     CmdWhich},
    {"identify", "identify LINE [--slave N]  the version the slave reports (function 65)",
     CmdIdentify},
    {"read", "read (--start A --count N | CATEGORY) --defs FILE.par LINE  registers of the slave",
     CmdRead},
    {"write", "write REGISTER VALUE --defs FILE.par LINE  one register, checked against its limits",
     CmdWrite},
};

void PrintUsage(std::ostream& os) {
    os << "usage: qxdrive COMMAND [ARGS]\n\ncommands:\n";
    for (const auto& command : kCommands) {
        os << "  " << command.Synopsis << "\n";
    }
    os << "\nLINE is --port PATH [--baud N] [--parity none|odd|even|mark|space] [--rts-toggle]\n"
          "[--ascii] or --tcp HOST:PORT; also --slave N (default 1), --timeout MS (default 500).\n";
}

} // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintUsage(args.empty() ? err : out);
        return args.empty() ? 2 : 0;
    }
    const auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                                 [&](const Command& c) { return args[0] == c.Name; });
    if (it == std::end(kCommands)) {
        err << "qxdrive: unknown command '" << args[0] << "'\n";
        PrintUsage(err);
        return 2;
    }
    return it->Handler(CommandArgs(args.begin() + 1, args.end()), out, err);
}

} // namespace qxdrive
