#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <iosfwd>

class TkxRegDefsList;
class TkxTextResource;

namespace qxdrive {

// Loads and builds a definition file, redirected to the built-in set; false, with the reason on
// err as "qxdrive COMMAND: ...", when the file cannot be read.
bool LoadDefinitionFile(const char* command, const std::string& fileName, TkxTextResource& builtIn,
                        TkxRegDefsList& list, std::ostream& err);

// The category names of a definition file, in file order.
std::vector<std::string> CategoryNames(TkxRegDefsList& defs);
// The register names of a built definition list, in address order.
std::vector<std::string> RegisterNames(const TkxRegDefsList& defs);

// Up to three names closest to a mistyped one (letter case ignored), nearest first; none when
// nothing is close enough to be what was meant.
std::vector<std::string> NearestNames(const std::vector<std::string>& names,
                                      std::string_view typed);
// "; did you mean A, B or C?" for the nearest names, or "" when there are none.
std::string DidYouMean(const std::vector<std::string>& names, std::string_view typed);

} // namespace qxdrive
