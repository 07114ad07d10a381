#pragma once

#include <string>
#include <string_view>

namespace qxdrive {

// Program text (Windows-1252) as the terminal shows it: UTF-8, with control bytes and the bytes
// Windows-1252 leaves unassigned written as \xNN, so that junk in a file cannot garble the
// output.
std::string TerminalText(std::string_view ansi);

} // namespace qxdrive
