#include "sim/simcommands.h"

#include "sim/simdrivemodel.h"

#include "registers/tkxtextresourcecls.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace qxsim {
namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t\r\n", at);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(line.find_first_of(" \t\r\n", start), line.size());
        words.push_back(line.substr(start, end - start));
        at = end;
    }
    return words;
}

bool Is(std::string_view word, std::string_view name) {
    return AnsiSameText(word, name);
}

std::string Error(const std::string& reason) {
    return "error: " + reason;
}

// A word of the line to quote in an answer: short, and control and non-ASCII bytes as '?'.
std::string Quoted(std::string_view word) {
    std::string text(word.substr(0, 40));
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
            c = '?';
        }
    }
    return "'" + text + "'";
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& name : names) {
        text += (text.empty() ? "" : " ") + name;
    }
    return text;
}

} // namespace

std::string SimCommands::Help() {
    return "commands: fault NAME [on|off|pulse], input NAME on|off, load PERCENT (0..300), "
           "analog VALUE (-1..1), status, faults, inputs, help, quit";
}

SimCommands::Answer SimCommands::Execute(std::string_view line) {
    const std::vector<std::string_view> words = Words(line);
    if (words.empty() || words[0].starts_with('#')) {
        return {};
    }
    const std::string_view command = words[0];
    if (Is(command, "help") && words.size() == 1) {
        return {Help()};
    }
    if (Is(command, "status") && words.size() == 1) {
        return {FModel.Status()};
    }
    if (Is(command, "faults") && words.size() == 1) {
        std::vector<std::string> names;
        for (const auto& fault : SimFaultNames()) {
            names.emplace_back(fault.Name);
        }
        return {Joined(names)};
    }
    if (Is(command, "inputs") && words.size() == 1) {
        return {Joined(FModel.InputNames())};
    }
    if (Is(command, "quit") && words.size() == 1) {
        return {"bye", true};
    }
    if (Is(command, "fault")) {
        return {Fault(words)};
    }
    if (Is(command, "input")) {
        return {Input(words)};
    }
    if (Is(command, "load")) {
        return {Number(words, 0, 300, &SimDriveModel::SetLoad)};
    }
    if (Is(command, "analog")) {
        return {Number(words, -1, 1, &SimDriveModel::SetAnalog)};
    }
    return {Error("unknown command " + Quoted(command) + "; " + Help())};
}

std::string SimCommands::Fault(const std::vector<std::string_view>& words) {
    if (words.size() != 2 && words.size() != 3) {
        return Error("usage: fault NAME [on|off|pulse]");
    }
    SimCause cause = SimCause::On;
    if (words.size() == 3) {
        if (Is(words[2], "off")) {
            cause = SimCause::Off;
        } else if (Is(words[2], "pulse")) {
            cause = SimCause::Pulse;
        } else if (!Is(words[2], "on")) {
            return Error("usage: fault NAME [on|off|pulse]");
        }
    }
    std::string why;
    return FModel.SetFault(words[1], cause, why) ? "ok" : Error(why);
}

std::string SimCommands::Input(const std::vector<std::string_view>& words) {
    if (words.size() != 3 || (!Is(words[2], "on") && !Is(words[2], "off"))) {
        return Error("usage: input NAME on|off");
    }
    std::string why;
    return FModel.SetInput(words[1], Is(words[2], "on"), why) ? "ok" : Error(why);
}

std::string SimCommands::Number(const std::vector<std::string_view>& words, double low, double high,
                                void (SimDriveModel::*set)(double)) {
    const std::string usage = "usage: " + std::string(words[0]) + " VALUE, a number from " +
                              std::to_string(int(low)) + " to " + std::to_string(int(high));
    if (words.size() != 2) {
        return Error(usage);
    }
    double value = 0;
    const char* end = words[1].data() + words[1].size();
    const auto [ptr, ec] = std::from_chars(words[1].data(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value) || value < low || value > high) {
        return Error(usage);
    }
    (FModel.*set)(value);
    return "ok";
}

} // namespace qxsim
