#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qxsim {

// The whole simulator: parses the arguments, lays the drive out from its definition file,
// opens its endpoint, prints where it serves and serves until a stop signal. Returns the exit
// code; every failure is one line on err.
int RunSimulator(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace qxsim
