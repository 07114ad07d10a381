// Feeds arbitrary bytes to the XML reader. A refused text must leave the document as it was;
// an accepted one must write out as text that reads back. The reader drops empty elements
// other than the root (the writer's "<x/>"), which can make their parent empty in turn, so
// the written text must become stable within one pass per level of nesting.
//
// The same bytes are read as a network layout too, with a device limit taken from the first
// byte: whatever the layout holds, the network keeps what is valid within the limit, and what
// it writes reads back as a layout with nothing left to take out.
#include "devices/tkxmbnetworkcmp.h"
#include "registers/tkxxmlparsercmp.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

const std::string KKeptDocument = "<kept a=\"1\">old<br/>line</kept>";

TkxXmlParser& FixedClockParser(TkxXmlParser& parser) {
    parser.SetClock([] { return 0.0; });
    return parser;
}

// Problems a layout written by the network still has: only elements it does not know.
bool OnlyUnknownElements(const TkxMBNetwork& network) {
    for (const std::string& problem : network.LayoutProblems()) {
        if (!problem.starts_with("unknown element"))
            return false;
    }
    return true;
}

void CheckAsLayout(std::string_view input, int deviceLimit) {
    TkxMBNetwork network;
    FixedClockParser(network);
    network.SetDevMaxCount(deviceLimit);
    if (!network.LoadFromText(input))
        return;
    if (deviceLimit > 0 && network.GetDevCount() > deviceLimit)
        std::abort();
    // As above, the written text settles within one pass per level of nesting; a device
    // written without settings is such an empty element.
    std::string written = network.GetXmlText();
    int devices = network.GetDevCount();
    for (int pass = 0; pass <= TkxXmlParser::KMaxDepth + 1; ++pass) {
        TkxMBNetwork reread;
        FixedClockParser(reread);
        reread.SetDevMaxCount(deviceLimit);
        if (!reread.LoadFromText(written) || !OnlyUnknownElements(reread) ||
            reread.GetDevCount() > devices)
            std::abort();
        std::string again = reread.GetXmlText();
        if (again == written)
            return;
        written = std::move(again);
        devices = reread.GetDevCount();
    }
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckAsLayout(input, size > 0 ? data[0] % 8 : 0);
    TkxXmlParser parser;
    FixedClockParser(parser);
    if (!parser.LoadFromText(KKeptDocument))
        std::abort();
    const std::string before = parser.GetXmlText();
    if (!parser.LoadFromText(input)) {
        if (!parser.LastError().Failed() || parser.GetXmlText() != before)
            std::abort();
        return 0;
    }
    std::string written = parser.GetXmlText();
    for (int pass = 0; pass <= TkxXmlParser::KMaxDepth + 1; ++pass) {
        TkxXmlParser reread;
        FixedClockParser(reread);
        if (!reread.LoadFromText(written))
            std::abort();
        std::string again = reread.GetXmlText();
        if (again == written)
            return 0;
        written = std::move(again);
    }
    std::abort();
}
