#include "qxdrive/qxdrivecommands.h"
#include "qxdrive/qxdrivelint.h"
#include "qxdrive/qxdrivenames.h"
#include "qxdrive/qxdrivetext.h"

#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregdefslistcmp.h"

#include <algorithm>

namespace qxdrive {

int CmdLint(const CommandArgs& args, std::ostream& out, std::ostream& err) {
    const bool option = std::any_of(args.begin(), args.end(), [](const std::string& arg) {
        return arg.size() > 1 && arg[0] == '-';
    });
    if (args.empty() || option) {
        err << "usage: qxdrive lint FILE.par...\n";
        return 2;
    }
    TkxDMCollection collection;
    int status = 0;
    for (const auto& file : args) {
        TkxRegDefsList list;
        if (!LoadDefinitionFile("lint", file, collection.Predefined(), list, err)) {
            status = 1;
            continue;
        }
        for (const auto& problem : LintDefinitions(list)) {
            out << TerminalText(file) << ":" << problem.Line << ": "
                << TerminalText(problem.Message) << "\n";
            status = 1;
        }
    }
    return status;
}

} // namespace qxdrive
