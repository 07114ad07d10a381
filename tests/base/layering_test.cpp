// The framework folders form layers that only point down: base, registers, modbus, params,
// devices (the drives build on parameters), then the Qt layers. A source may include its own
// folder and the folders below it, never one above, except for the few units named in
// AllowedUpward. The core folders never include a Qt header.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::map<std::string, int> LayerOf = {
    {"base", 0},    {"registers", 1}, {"modbus", 2}, {"params", 3},
    {"devices", 4}, {"ui", 5},        {"graph", 5},
};

const std::set<std::string> CoreFolders = {"base", "registers", "modbus", "devices", "params"};

// Units the folder layout places above a folder that uses them: the thread buffer (modbus)
// under the register buffers, the version record (devices) under the definition lists and the
// version transaction, and the device setup, slave and dialog provider that connection setups,
// function transactions and parameters name.
const std::set<std::pair<std::string, std::string>> AllowedUpward = {
    {"registers/tkxregblockcls.cpp", "modbus/tkxthreadbuffercls.h"},
    {"registers/tkxregdatabuffercls.cpp", "modbus/tkxthreadbuffercls.h"},
    {"registers/tkxregistercls.cpp", "modbus/tkxthreadbuffercls.h"},
    {"registers/tkxregdefslistcmp.cpp", "devices/tkxversionrecordcls.h"},
    {"registers/tkxdmcollectioncmp.cpp", "devices/tkxversionrecordcls.h"},
    {"modbus/tkxmbdeviceversioncls.h", "devices/tkxversionrecordcls.h"},
    {"modbus/tkxmbsimpletransacls.cpp", "devices/tkxdeviceslavecls.h"},
    {"modbus/tkxmbthreadsetupcls.cpp", "devices/tkxdevicesetupcls.h"},
    {"modbus/tkxmbthreadsetupcls.h", "devices/tkxdialogprovider.h"},
    {"params/tkxparvaluecls.cpp", "devices/tkxdeviceslavecls.h"},
};

struct Include {
    std::string From;   // "folder/file" under framework/
    std::string Target; // as written between the quotes or angle brackets
    bool Angled = false;
};

std::vector<Include> FrameworkIncludes() {
    const fs::path root = fs::path(TKX_SOURCE_DIR) / "framework";
    const std::regex includeLine(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::vector<Include> includes;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const auto ext = entry.path().extension();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) {
            continue;
        }
        const std::string from = fs::relative(entry.path(), root).generic_string();
        std::ifstream in(entry.path());
        std::string line;
        std::smatch match;
        while (std::getline(in, line)) {
            if (std::regex_search(line, match, includeLine)) {
                includes.push_back({from, match[2].str(), match[1].str() == "<"});
            }
        }
    }
    return includes;
}

std::string FolderOf(const std::string& path) {
    return path.substr(0, path.find('/'));
}

bool IsQtHeader(const std::string& target) {
    return target.starts_with('Q') || target.starts_with("qt");
}

TEST(Layering, FrameworkSourcesAreFound) {
    const auto includes = FrameworkIncludes();
    EXPECT_GT(includes.size(), 100u);
    EXPECT_TRUE(std::any_of(includes.begin(), includes.end(), [](const Include& include) {
        return include.From == "base/tkxdispatchercls.cpp";
    }));
}

TEST(Layering, IncludesPointDownExceptListedUnits) {
    std::set<std::pair<std::string, std::string>> used;
    for (const auto& include : FrameworkIncludes()) {
        if (include.Angled) {
            continue;
        }
        const std::string from = FolderOf(include.From);
        const std::string to = FolderOf(include.Target);
        if (!LayerOf.contains(from) || !LayerOf.contains(to)) {
            continue;
        }
        if (LayerOf.at(to) <= LayerOf.at(from)) {
            continue;
        }
        const std::pair<std::string, std::string> edge{include.From, include.Target};
        EXPECT_TRUE(AllowedUpward.contains(edge))
            << include.From << " includes " << include.Target << ", a folder above its own";
        used.insert(edge);
    }
    // A listed exception that is no longer needed goes from the list too.
    for (const auto& allowed : AllowedUpward) {
        EXPECT_TRUE(used.contains(allowed))
            << allowed.first << " no longer includes " << allowed.second;
    }
}

TEST(Layering, CoreNeverIncludesQt) {
    for (const auto& include : FrameworkIncludes()) {
        if (CoreFolders.contains(FolderOf(include.From))) {
            EXPECT_FALSE(include.Angled && IsQtHeader(include.Target))
                << include.From << " includes <" << include.Target << ">";
        }
    }
}

TEST(Layering, BaseIncludesNothingElseOfOurs) {
    for (const auto& include : FrameworkIncludes()) {
        if (FolderOf(include.From) == "base" && !include.Angled) {
            EXPECT_EQ(FolderOf(include.Target), "base")
                << include.From << " includes " << include.Target;
        }
    }
}

} // namespace
