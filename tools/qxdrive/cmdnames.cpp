#include "qxdrive/qxdrivecommands.h"
#include "qxdrive/qxdrivenames.h"
#include "qxdrive/qxdrivetext.h"

#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"

#include <cstdio>

namespace qxdrive {

int CmdNames(const CommandArgs& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) {
        err << "usage: qxdrive names FILE.par\n";
        return 2;
    }
    TkxDMCollection collection;
    TkxRegDefsList list;
    if (!LoadDefinitionFile("names", args[0], collection.Predefined(), list, err)) {
        return 1;
    }
    out << "Categories:\n";
    for (const std::string& name : CategoryNames(list)) {
        std::string shown = TerminalText(name);
        shown.resize(std::max<std::size_t>(shown.size(), 24), ' ');
        out << "  " << shown << " " << TerminalText(list.GetCategory(name)) << "\n";
    }
    out << "Registers:\n";
    for (int i = 0; i < list.Count(); ++i) {
        const TkxRegDefinition& definition = *list.Items(i);
        char address[16];
        std::snprintf(address, sizeof address, "%5u", definition.Address());
        out << "  " << address << "  " << TerminalText(definition.Name()) << "\n";
    }
    return 0;
}

} // namespace qxdrive
