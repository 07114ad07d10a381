#include "qxdrive/qxdrivewatch.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace qxdrive {
namespace {

// A CSV field, quoted when it holds a separator, a quote or a line break.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

} // namespace

WatchPrinter::WatchPrinter(std::ostream& out, bool csv)
    : FOut(out)
    , FCsv(csv) {
    if (FCsv) {
        FOut << "time,address,name,value\n";
    }
}

void WatchPrinter::Poll(const std::string& time, const std::vector<WatchedValue>& values) {
    for (const WatchedValue& value : values) {
        const auto last = FLast.find(value.Address);
        if (last == FLast.end() || last->second != value.Value) {
            Line(time, value);
            FLast[value.Address] = value.Value;
        }
    }
    FOut.flush();
}

void WatchPrinter::Failure(const std::string& time, const std::string& message) {
    if (FCsv) {
        FOut << time << ",,," << CsvField(message) << "\n";
    } else {
        FOut << time << "  " << message << "\n";
    }
    FOut.flush();
}

void WatchPrinter::Line(const std::string& time, const WatchedValue& value) {
    if (FCsv) {
        FOut << time << "," << value.Address << "," << CsvField(value.Name) << ","
             << CsvField(value.Value) << "\n";
        return;
    }
    char address[16];
    std::snprintf(address, sizeof address, "%5d", value.Address);
    std::string name = value.Name;
    name.resize(std::max<std::size_t>(name.size(), 24), ' ');
    FOut << time << "  " << address << "  " << name << " " << value.Value << "\n";
}

std::string WatchPrinter::Now() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(millis));
    return text;
}

} // namespace qxdrive
