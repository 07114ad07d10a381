#include "sim/simoptions.h"

#include <charconv>
#include <functional>
#include <map>
#include <set>

namespace qxsim {
namespace {

bool ParseRate(const std::string& text, double& out) {
    try {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        if (used != text.size() || !(value >= 0.0 && value <= 1.0)) {
            return false;
        }
        out = value;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Takes an option's value; false when it is bad, with the reason in why where there is more
// to say than that.
using Setter = std::function<bool(SimOptions&, const std::string&, std::string& why)>;

Setter IntSetter(int SimOptions::*field, int low, int high) {
    return [=](SimOptions& o, const std::string& v, std::string&) {
        return SimParseInt(v, low, high, o.*field);
    };
}

Setter RateSetter(double SimOptions::*field) {
    return
        [=](SimOptions& o, const std::string& v, std::string&) { return ParseRate(v, o.*field); };
}

Setter TextSetter(std::string SimOptions::*field) {
    return [=](SimOptions& o, const std::string& v, std::string&) {
        o.*field = v;
        return !v.empty();
    };
}

const std::map<std::string, Setter>& ValueOptions() {
    static const std::map<std::string, Setter> options = {
        {"--defs", TextSetter(&SimOptions::DefsFile)},
        {"--drive-version", TextSetter(&SimOptions::Version)},
        {"--slave", IntSetter(&SimOptions::Slave, 1, 247)},
        {"--link", TextSetter(&SimOptions::Link)},
        {"--state", TextSetter(&SimOptions::StateFile)},
        {"--baud", IntSetter(&SimOptions::Baud, 50, 4000000)},
        {"--turnaround", IntSetter(&SimOptions::TurnaroundMs, 0, 60000)},
        {"--delay", IntSetter(&SimOptions::DelayMs, 0, 60000)},
        {"--drop", RateSetter(&SimOptions::DropRate)},
        {"--corrupt", RateSetter(&SimOptions::CorruptRate)},
        {"--busy", RateSetter(&SimOptions::BusyRate)},
        {"--tcp",
         [](SimOptions& o, const std::string& v, std::string&) {
             o.Transport = SimTransport::Tcp;
             return SimParseInt(v, 0, 65535, o.TcpPort);
         }},
        {"--control", TextSetter(&SimOptions::Control)},
        {"--speedup", IntSetter(&SimOptions::Speedup, 1, 100)},
        {"--fault", [](SimOptions& o, const std::string& v,
                       std::string& why) { return o.Faults.Add(v, why); }},
        {"--seed",
         [](SimOptions& o, const std::string& v, std::string&) {
             int seed = 0;
             const bool ok = SimParseInt(v, 0, 2147483647, seed);
             o.Seed = static_cast<std::uint32_t>(seed);
             return ok;
         }},
    };
    return options;
}

// "--name=value" becomes "--name" "value".
std::vector<std::string> SplitOptionValues(const std::vector<std::string>& args) {
    std::vector<std::string> words;
    for (const std::string& arg : args) {
        const std::size_t equals = arg.find('=');
        if (arg.starts_with("--") && equals != std::string::npos && equals > 2) {
            words.push_back(arg.substr(0, equals));
            words.push_back(arg.substr(equals + 1));
        } else {
            words.push_back(arg);
        }
    }
    return words;
}

} // namespace

bool SimParseInt(std::string_view text, int low, int high, int& out) {
    int value = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < low || value > high) {
        return false;
    }
    out = value;
    return true;
}

std::string SimUsage() {
    return "usage: qxdrive-sim --defs FILE.par [options]\n"
           "       qxdrive-sim --demo [options]\n"
           "  --drive-version TEXT  version the drive reports (default QX440v100)\n"
           "  --slave N          own slave address, 1..247 (default 1)\n"
           "  --tcp PORT         serve Modbus TCP on 127.0.0.1:PORT (0 picks one) instead of a\n"
           "                     pseudo-terminal\n"
           "  --ascii            ASCII framing on the pseudo-terminal instead of RTU\n"
           "  --link PATH        symlink PATH to the pseudo-terminal\n"
           "  --state FILE       keep the EEPROM copies in FILE across restarts\n"
           "  --baud N           pace replies as a line of N baud at 8E1 would carry them\n"
           "  --turnaround MS    pause before each reply\n"
           "  --delay MS         extra delay of every reply\n"
           "  --drop P           leave a share P (0..1) of requests unanswered\n"
           "  --corrupt P        send a share P of replies with a bad checksum\n"
           "  --busy P           answer a share P of requests with exception 6\n"
           "  --seed N           seed of the fault decisions\n"
           "  --fault ADDR=KIND  every request covering register ADDR gets the fault KIND:\n"
           "                     drop, corrupt, exception:N or delay:MS (repeatable)\n"
           "  --demo             a QX460 v4xx drive with motor data and commands from the bus,\n"
           "                     on the link " +
           std::string(kDemoLink) +
           " unless told otherwise\n"
           "  --control PATH     line commands on a Unix socket at PATH, or on standard input\n"
           "                     with '-' (faults, inputs, load; 'help' lists them)\n"
           "  --speedup N        run the drive model N times faster than real time (1..100)\n"
           "Options take their value as the next word or after '=' (--slave=2); --version\n"
           "prints the simulator's own version.\n"
           "SIGUSR1 makes the drive vanish (no answers, TCP connections dropped), SIGUSR2 brings\n"
           "it back; SIGINT or SIGTERM end it.\n";
}

std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args,
                                          std::string& error) {
    SimOptions options;
    std::set<std::string> given;
    const std::vector<std::string> words = SplitOptionValues(args);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& name = words[i];
        if (name == "--ascii" || name == "--demo") {
            (name == "--ascii" ? options.Ascii : options.Demo) = true;
            continue;
        }
        const auto option = ValueOptions().find(name);
        if (option == ValueOptions().end()) {
            error = "unknown option '" + name + "'";
            return std::nullopt;
        }
        if (i + 1 >= words.size()) {
            error = "option " + name + " needs a value";
            return std::nullopt;
        }
        const std::string& value = words[++i];
        given.insert(name);
        std::string why;
        if (!option->second(options, value, why)) {
            error = "bad value '" + value + "' for " + name + (why.empty() ? "" : ": " + why);
            return std::nullopt;
        }
    }
    if (options.Demo) {
        if (!given.contains("--drive-version")) {
            options.Version = kDemoVersion;
        }
        if (options.Transport == SimTransport::Pty && options.Link.empty()) {
            options.Link = kDemoLink;
        }
    }
    if (options.DefsFile.empty() && !options.Demo) {
        error = "a definition file is needed (--defs FILE.par)";
        return std::nullopt;
    }
    if (options.Ascii && options.Transport == SimTransport::Tcp) {
        error = "--ascii applies to the pseudo-terminal only";
        return std::nullopt;
    }
    return options;
}

} // namespace qxsim
