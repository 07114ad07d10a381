#include "tportlistcls.h"

#include "ttermsettingscls.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;

// Names in a folder that start with prefix, in natural order (ttyUSB2 before ttyUSB10).
std::vector<fs::path> Entries(const fs::path& folder, const std::string& prefix) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        if (it->path().filename().string().starts_with(prefix)) {
            found.push_back(it->path());
        }
    }
    std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
        const std::string x = a.filename().string();
        const std::string y = b.filename().string();
        return x.size() != y.size() ? x.size() < y.size() : x < y;
    });
    return found;
}

} // namespace

std::vector<std::string> TPortList::Adapters(const std::string& devRoot) {
    std::vector<std::string> adapters;
    std::set<fs::path> covered;
    std::error_code ec;
    for (const fs::path& link : Entries(fs::path(devRoot) / "serial" / "by-id", "")) {
        adapters.push_back(link.string());
        covered.insert(fs::weakly_canonical(link, ec));
    }
    for (const char* prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
        for (const fs::path& device : Entries(devRoot, prefix)) {
            if (!covered.contains(fs::weakly_canonical(device, ec))) {
                adapters.push_back(device.string());
            }
        }
    }
    return adapters;
}

std::array<std::string, TPortList::Ports> TPortList::Map(TTermSettings& settings,
                                                         const std::vector<std::string>& adapters) {
    std::array<std::string, Ports> paths;
    std::size_t next = 0;
    for (int port = 1; port <= Ports; ++port) {
        std::string path = settings.ReadString("Ports", "COM" + std::to_string(port), "");
        if (path.empty() && next < adapters.size()) {
            path = adapters[next++];
        }
        paths[std::size_t(port - 1)] = path;
    }
    return paths;
}
