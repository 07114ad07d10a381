#include "devices/tkxversionrecordcls.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// The input is a version text, optionally followed by a NUL byte and a pattern text. Both are
// parsed, printed and matched both ways; printing a record that parsed must give a text that
// parses back to the same model and board.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto split = input.find('\0');
    const auto text = input.substr(0, split);
    const auto pattern = split == std::string_view::npos ? text : input.substr(split + 1);

    TkxVersionRecord record;
    const bool parsed = record.Parse(text);
    const TkxVersionRecord patternRecord(pattern);
    record.Matches(pattern);
    record.Matches(patternRecord);
    patternRecord.Matches(text);

    const auto printed = record.GetText();
    record.GetVersionText(true);
    if (parsed) {
        const TkxVersionRecord reread(printed);
        if (reread.Model != record.Model || reread.BoardCode != record.BoardCode) {
            std::abort();
        }
    }
    return 0;
}
