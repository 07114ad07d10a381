#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qxdrive {

// A command's arguments are what follows its name on the command line.
using CommandArgs = std::vector<std::string>;

int CmdDefs(const CommandArgs& args, std::ostream& out, std::ostream& err);
// The categories and register names of a definition file.
int CmdNames(const CommandArgs& args, std::ostream& out, std::ostream& err);
// The faults of definition files that would make a drive misbehave, as "FILE:LINE: message".
int CmdLint(const CommandArgs& args, std::ostream& out, std::ostream& err);
// The definition files of a folder and the versions each serves.
int CmdVersions(const CommandArgs& args, std::ostream& out, std::ostream& err);
// The definition file that serves a version text, or why none does.
int CmdWhich(const CommandArgs& args, std::ostream& out, std::ostream& err);

// Asks the slave for its version (function 65) and prints it, the class it gets and the
// definition file that serves it.
int CmdIdentify(const CommandArgs& args, std::ostream& out, std::ostream& err);
// Asks every slave address of a range for its version and lists those that answer.
int CmdScan(const CommandArgs& args, std::ostream& out, std::ostream& err);
// Reads a register range or a category of a definition file and prints each register.
int CmdRead(const CommandArgs& args, std::ostream& out, std::ostream& err);
// Writes one register with a display value checked against its limits first.
int CmdWrite(const CommandArgs& args, std::ostream& out, std::ostream& err);
// Reads a drive's setup through its definition file and prints its parameters by category,
// each with its description, value and limits.
int CmdSetup(const CommandArgs& args, std::ostream& out, std::ostream& err);
// Writes the drive's setup (or the defaults of an offline drive) to a configuration file.
int CmdExport(const CommandArgs& args, std::ostream& out, std::ostream& err);
// Loads a configuration file into the drive object, prints the report and what would change,
// and sends or saves it only when asked, reading it back afterwards.
int CmdImport(const CommandArgs& args, std::ostream& out, std::ostream& err);
// The registers whose values differ between two setups, each a file or the drive; 0 when
// none does, 1 when some do, 2 on trouble.
int CmdDiff(const CommandArgs& args, std::ostream& out, std::ostream& err);
// Polls a register range or category and prints each change with the time it was seen.
int CmdWatch(const CommandArgs& args, std::ostream& out, std::ostream& err);

} // namespace qxdrive
