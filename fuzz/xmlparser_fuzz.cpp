// Feeds arbitrary bytes to the XML reader. A refused text must leave the document as it was;
// an accepted one must write out as text that reads back. The reader drops empty elements
// other than the root (the writer's "<x/>"), which can make their parent empty in turn, so
// the written text must become stable within one pass per level of nesting.
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
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
