#include "qxdrive/qxdrivecommands.h"

#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxerror.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxtextresourcecls.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace qxdrive {
namespace {

constexpr int kLabelWidth = 18;

// Unicode code points of the Windows-1252 bytes 0x80..0x9F (0 where the byte is unassigned).
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void AppendEscaped(std::string& out, unsigned char byte) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\x%02X", byte);
    out += escape;
}

// Definition text is Windows-1252; the terminal gets UTF-8, with control and unassigned bytes
// shown as \xNN so that junk in a file cannot garble the listing.
std::string Printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            AppendEscaped(out, byte);
        } else if (byte >= 0x80 && byte < 0xA0) {
            const char16_t code = kCp1252High[byte - 0x80];
            if (code == 0) {
                AppendEscaped(out, byte);
            } else {
                AppendUtf8(out, code);
            }
        } else {
            AppendUtf8(out, byte);
        }
    }
    return out;
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

std::string Quoted(std::string_view text) {
    return "\"" + Printable(text) + "\"";
}

void PrintField(std::ostream& out, std::string_view label, const std::string& value) {
    std::string line = "    " + Printable(label);
    line.resize(std::max<std::size_t>(line.size() + 1, 4 + kLabelWidth), ' ');
    out << line << value << "\n";
}

void PrintDefinition(std::ostream& out, const std::string& section, const TkxRegDefinition& d) {
    out << "[" << Printable(section) << "]";
    if (!d.Name().empty()) {
        out << " " << Printable(d.Name());
    }
    out << "\n";
    PrintField(out, "Type", d.TypeToString());
    PrintField(out, "Length",
               std::to_string(d.Length()) + " (" + std::to_string(d.TotalBytes()) + " bytes)");
    if (d.MinDefined()) {
        PrintField(out, "MinValue", Number(d.MinValue()));
    }
    if (d.MaxDefined()) {
        PrintField(out, "MaxValue", Number(d.MaxValue()));
    }
    if (d.DfltDefined()) {
        PrintField(out, "DfltValue", Number(d.DfltValue()));
    }
    PrintField(out, "FormatNorm", Number(d.FormatNorm()));
    PrintField(out, "FormatOffset", Number(d.FormatOffset()));
    PrintField(out, "FormatString", Quoted(d.FormatString()));
    PrintField(out, "FormatPrintf", Quoted(d.FormatPrintf()));
    PrintField(out, "EEPromCopy",
               d.EEPromCopy() == d.Address() ? "none" : std::to_string(d.EEPromCopy()));
    const std::pair<const char*, const std::string*> redirections[] = {
        {"UseDefinition", &d.UseDefinition()},
        {"UseDescr", &d.UseDescr()},
        {"UseFormat", &d.UseFormat()}};
    for (const auto& [label, target] : redirections) {
        if (!target->empty()) {
            PrintField(out, label, Printable(*target));
        }
    }
    for (const auto& [key, text] : d.Descriptions()) {
        PrintField(out, key, Printable(text));
    }
    out << "\n";
}

// Every section of the built-in set, read as a definition on its own.
int PrintBuiltIn(TkxTextResource& builtIn, std::ostream& out) {
    std::vector<std::string> sections;
    builtIn.ReadSections(sections);
    out << "Built-in definitions: " << sections.size() << " sections\n\n";
    for (const auto& section : sections) {
        TkxRegDefinition definition;
        definition.LoadDefinition(section, &builtIn);
        PrintDefinition(out, section, definition);
    }
    return 0;
}

// The definitions as a device gets them: register sections in address order, redirected to
// the built-in set, with the EEPROM twins the list adds.
int PrintFile(const std::string& fileName, TkxTextResource& builtIn, std::ostream& out,
              std::ostream& err) {
    TkxRegDefsList list;
    try {
        list.LoadFromFile(fileName);
    } catch (const ETkxError& e) {
        err << "qxdrive defs: " << e.what() << "\n";
        return 1;
    }
    list.Chain(&builtIn);
    list.Build();
    out << "Definitions of " << fileName << ": " << list.Count() << " registers\n";
    for (const char* key : {"Versions", "VerDescr"}) {
        const std::string value = list.ReadString("Versions", key, "");
        if (!value.empty()) {
            PrintField(out, key, Printable(value));
        }
    }
    out << "\n";
    for (int i = 0; i < list.Count(); ++i) {
        const auto& definition = *list.Items(i);
        PrintDefinition(out, std::to_string(definition.Address()), definition);
    }
    return 0;
}

} // namespace

int CmdDefs(const CommandArgs& args, std::ostream& out, std::ostream& err) {
    if (args.size() > 1) {
        err << "usage: qxdrive defs [FILE.par]\n";
        return 2;
    }
    TkxDMCollection collection;
    auto& builtIn = collection.Predefined();
    return args.empty() ? PrintBuiltIn(builtIn, out) : PrintFile(args[0], builtIn, out, err);
}

} // namespace qxdrive
