#include "qxdrive/qxdrivenames.h"

#include "qxdrive/qxdrivetext.h"

#include "base/tkxerror.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxtextresourcecls.h"

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <ostream>

namespace qxdrive {
namespace {

// Edits (insert, delete, replace, swap of neighbours) that turn a into b, letter case ignored.
std::size_t EditDistance(std::string_view a, std::string_view b) {
    const std::string x = AnsiLowerCase(a);
    const std::string y = AnsiLowerCase(b);
    std::vector<std::vector<std::size_t>> d(x.size() + 1, std::vector<std::size_t>(y.size() + 1));
    for (std::size_t i = 0; i <= x.size(); ++i) {
        d[i][0] = i;
    }
    std::iota(d[0].begin(), d[0].end(), std::size_t{0});
    for (std::size_t i = 1; i <= x.size(); ++i) {
        for (std::size_t j = 1; j <= y.size(); ++j) {
            const std::size_t cost = x[i - 1] == y[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[x.size()][y.size()];
}

} // namespace

bool LoadDefinitionFile(const char* command, const std::string& fileName, TkxTextResource& builtIn,
                        TkxRegDefsList& list, std::ostream& err) {
    try {
        list.LoadFromFile(fileName);
    } catch (const ETkxError& e) {
        err << "qxdrive " << command << ": " << e.what() << "\n";
        return false;
    }
    list.Chain(&builtIn);
    list.Build();
    return true;
}

std::vector<std::string> CategoryNames(TkxRegDefsList& defs) {
    std::vector<std::string> lines;
    defs.ReadSectionValues("Categories", lines);
    std::vector<std::string> names;
    for (const std::string& line : lines) {
        const std::size_t equals = line.find('=');
        const std::string_view name = TrimBlanks(std::string_view(line).substr(0, equals));
        if (equals != std::string::npos && !name.empty()) {
            names.emplace_back(name);
        }
    }
    return names;
}

std::vector<std::string> RegisterNames(const TkxRegDefsList& defs) {
    std::vector<std::string> names;
    for (int i = 0; i < defs.Count(); ++i) {
        if (!defs.Items(i)->Name().empty()) {
            names.push_back(defs.Items(i)->Name());
        }
    }
    return names;
}

std::vector<std::string> NearestNames(const std::vector<std::string>& names,
                                      std::string_view typed) {
    // A third of the typed letters may be wrong, at least one and at most three.
    const std::size_t allowed = std::clamp<std::size_t>(typed.size() / 3, 1, 3);
    std::vector<std::pair<std::size_t, std::string>> close;
    for (const std::string& name : names) {
        const std::size_t distance = EditDistance(name, typed);
        const bool prefix =
            typed.size() >= 3 && AnsiLowerCase(name).starts_with(AnsiLowerCase(typed));
        if (distance <= allowed || prefix) {
            close.emplace_back(prefix ? 0 : distance, name);
        }
    }
    std::stable_sort(close.begin(), close.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> nearest;
    for (std::size_t i = 0; i < close.size() && i < 3; ++i) {
        nearest.push_back(close[i].second);
    }
    return nearest;
}

std::string DidYouMean(const std::vector<std::string>& names, std::string_view typed) {
    const std::vector<std::string> nearest = NearestNames(names, typed);
    if (nearest.empty()) {
        return "";
    }
    std::string text = "; did you mean ";
    for (std::size_t i = 0; i < nearest.size(); ++i) {
        if (i > 0) {
            text += i + 1 == nearest.size() ? " or " : ", ";
        }
        text += TerminalText(nearest[i]);
    }
    return text + "?";
}

} // namespace qxdrive
