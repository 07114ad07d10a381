#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qxdrive {

// Runs one command line of the qxdrive tool (without the program name) and returns the exit
// status. Normal output goes to out, errors to err.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace qxdrive
