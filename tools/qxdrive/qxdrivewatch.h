#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace qxdrive {

// One register as a poll read it.
struct WatchedValue {
    int Address = 0;
    std::string Name;  // UTF-8
    std::string Value; // UTF-8, as the display shows it
};

// Prints what a watch sees: every register of the first poll, then only those whose value
// changed, each line with the time of the poll; as aligned text or as CSV with a header.
class WatchPrinter {
public:
    WatchPrinter(std::ostream& out, bool csv);

    void Poll(const std::string& time, const std::vector<WatchedValue>& values);
    // A poll that failed; the values seen before stay the reference.
    void Failure(const std::string& time, const std::string& message);

    // The local time of day as HH:MM:SS.mmm.
    static std::string Now();

private:
    void Line(const std::string& time, const WatchedValue& value);

    std::ostream& FOut;
    bool FCsv;
    std::map<int, std::string> FLast;
};

} // namespace qxdrive
