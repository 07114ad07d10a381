#include "qxdrive/qxdrivecommands.h"

namespace qxdrive {

int CmdDefs(const CommandArgs&, std::ostream&, std::ostream& err) {
    err << "qxdrive defs: not built yet\n";
    return 1;
}

} // namespace qxdrive
