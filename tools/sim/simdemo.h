#pragma once

#include <string>

class TkxRegDefsList;

namespace qxsim {

class SimRegisterMemory;

// The definition file --demo serves: the shipped file beside the program.
std::string SimDemoDefsFile();

// Gives the demo drive a plausible motor (a four-pole 3000 rpm servo of 4.5 A) and takes its
// commands from the bus, so that a terminal can enable and run it at once. Only the RAM
// setup changes; entries the file lacks are passed over.
void SimApplyDemoSetup(TkxRegDefsList& defs, SimRegisterMemory& memory);

} // namespace qxsim
