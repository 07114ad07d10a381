#include "qxdrive/qxdrivetext.h"

#include "registers/tkxcodepage.h"

#include <cstdio>

namespace qxdrive {

std::string TerminalText(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (std::size_t i = 0; i < ansi.size(); ++i) {
        const char32_t code = AnsiToUnicode(ansi[i]);
        if (code < 0x20 || (code >= 0x7F && code < 0xA0)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(ansi[i]));
            out += escape;
        } else {
            out += AnsiToUtf8(ansi.substr(i, 1));
        }
    }
    return out;
}

} // namespace qxdrive
