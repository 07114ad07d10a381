#pragma once

#include <string>
#include <vector>

class TkxRegDefsList;

namespace qxdrive {

// One fault of a definition file that makes a drive misbehave, at the 1-based line it is on.
struct LintProblem {
    int Line = 0;
    std::string Message;
};

// The faults of a loaded definition file, in line order: parameter entries that name missing
// registers or have a wrong shape, registers in no category or in two setup blocks, EEPROM
// copies that are missing or clash, defaults outside their limits, category blocks over
// undefined addresses, redirections found nowhere, and section headers that are never found.
// The list is built here when it is not yet; its chain must reach the built-in set.
std::vector<LintProblem> LintDefinitions(TkxRegDefsList& list);

} // namespace qxdrive
