#include "qxdrive/qxdrivecommands.h"
#include "qxdrive/qxdrivenames.h"
#include "qxdrive/qxdrivetext.h"

#include "base/tkxerror.h"
#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxtextresourcecls.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace qxdrive {
namespace {

constexpr int kLabelWidth = 18;

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

std::string Quoted(std::string_view text) {
    return "\"" + TerminalText(text) + "\"";
}

void PrintField(std::ostream& out, std::string_view label, const std::string& value) {
    std::string line = "    " + TerminalText(label);
    line.resize(std::max<std::size_t>(line.size() + 1, 4 + kLabelWidth), ' ');
    out << line << value << "\n";
}

void PrintDefinition(std::ostream& out, const std::string& section, const TkxRegDefinition& d) {
    out << "[" << TerminalText(section) << "]";
    if (!d.Name().empty()) {
        out << " " << TerminalText(d.Name());
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
            PrintField(out, label, TerminalText(*target));
        }
    }
    for (const auto& [key, text] : d.Descriptions()) {
        PrintField(out, key, TerminalText(text));
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
    if (!LoadDefinitionFile("defs", fileName, builtIn, list, err)) {
        return 1;
    }
    out << "Definitions of " << fileName << ": " << list.Count() << " registers\n";
    for (const char* key : {"Versions", "VerDescr"}) {
        const std::string value = list.ReadString("Versions", key, "");
        if (!value.empty()) {
            PrintField(out, key, TerminalText(value));
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
