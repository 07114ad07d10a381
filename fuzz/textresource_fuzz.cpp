#include "base/tkxerror.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxtextresourcecls.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

TkxTextResource& BuiltInSet() {
    static TkxTextResource builtIn(28673);
    static const bool appended = builtIn.AppendResourceID(28672) && builtIn.AppendResourceID(28674);
    (void)appended;
    return builtIn;
}

void QueryDefinition(const TkxRegDefinition& definition) {
    definition.TypeToString();
    if (definition.Length() == 0 || definition.TotalBytes() > 255 * 6) {
        std::abort();
    }
    definition.GetDescr(-1);
    for (int index = 0; index < definition.Length(); ++index) {
        definition.GetDescr(index, 0x700);
        definition.GetValueDescr(index, index, 0, true);
    }
    try {
        definition.GetDescr(definition.Length());
        std::abort();
    } catch (const ETkxError&) {
    }
}

} // namespace

// The input is loaded as a definition file chained to the built-in set. Every section is
// built into a definition (register sections by address, the others by name) and queried;
// every entry is read back through each reader, and a written key must read back as written.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    TkxTextResource file;
    file.SetText(input);
    file.Chain(&BuiltInSet());

    std::vector<std::string> sections;
    file.ReadSections(sections);
    for (const auto& section : sections) {
        std::uint16_t address = 0;
        TkxRegDefinition definition;
        if (TkxRegDefinition::SectionAddress(section, address)) {
            definition.Load(address, &file);
        } else {
            definition.LoadDefinition(section, &file);
        }
        QueryDefinition(definition);

        std::vector<std::string> values;
        file.ReadSectionValues(section, values);
        for (const auto& entry : values) {
            const std::string key = entry.substr(0, entry.find('='));
            file.ReadInteger(section, key, 0);
            file.ReadRelInteger(section, key, 100);
            file.ReadFloat(section, key, 0.0);
        }
    }

    std::uint32_t integer = 0;
    double real = 0.0;
    TextToInt(input, integer);
    TextToFloat(input, real);

    // Keys and values without line breaks or quotes at their ends survive a write.
    const std::string value(input.substr(0, input.find_first_of("\r\n\"")));
    file.WriteString("Fuzz", "Key", value);
    if (file.ReadString("Fuzz", "Key", "<missing>") != TrimBlanks(value) &&
        file.FindSection("Fuzz")) {
        std::abort();
    }
    return 0;
}
