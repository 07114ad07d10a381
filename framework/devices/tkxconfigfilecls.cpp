#include "devices/tkxconfigfilecls.h"

#include "base/tkxerror.h"
#include "devices/tkxdeviceqxslavecls.h"
#include "modbus/tkxthreadbuffercls.h"
#include "registers/tkxcodepage.h"
#include "registers/tkxformatcls.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"
#include "registers/tkxtextresourcecls.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>

namespace {

constexpr std::string_view kGroup = "ImportExport";

std::unique_ptr<TkxRegBlock> GroupOf(const TkxDeviceQXSlave& drive) {
    return drive.Defs() != nullptr ? drive.Defs()->CategoryBlocks(kGroup) : nullptr;
}

// The items of a comma list when every quoted item is closed and items are separated by
// commas only; nullopt for anything else (a line cut inside a value, stray text after a quote).
std::optional<std::size_t> WellFormedItems(std::string_view text) {
    std::size_t pos = 0;
    std::size_t items = 0;
    const auto skipBlanks = [&] {
        while (pos < text.size() && static_cast<unsigned char>(text[pos]) <= ' ') {
            ++pos;
        }
    };
    skipBlanks();
    while (pos < text.size()) {
        if (text[pos] == '"') {
            bool closed = false;
            for (++pos; pos < text.size(); ++pos) {
                if (text[pos] == '"' && pos + 1 < text.size() && text[pos + 1] == '"') {
                    ++pos;
                } else if (text[pos] == '"') {
                    ++pos;
                    closed = true;
                    break;
                }
            }
            if (!closed) {
                return std::nullopt;
            }
        } else {
            while (pos < text.size() && text[pos] != ',' &&
                   static_cast<unsigned char>(text[pos]) > ' ') {
                ++pos;
            }
        }
        ++items;
        skipBlanks();
        if (pos < text.size()) {
            if (text[pos] != ',') {
                return std::nullopt;
            }
            ++pos;
            skipBlanks();
            if (pos == text.size()) {
                ++items; // an empty last item
            }
        }
    }
    return items;
}

// A whole item as a decimal integer: blanks, an optional sign, digits, blanks.
std::optional<std::int64_t> PlainInteger(std::string_view item) {
    item = TrimBlanks(item);
    if (!item.empty() && item.front() == '+') {
        item.remove_prefix(1);
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
    if (item.empty() || error != std::errc() || end != item.data() + item.size()) {
        return std::nullopt;
    }
    return value;
}

std::int64_t HeldInteger(const TkxRegister& reg, int index) {
    const std::int32_t raw = reg.GetValueInteger(index);
    return reg.Definition()->IsSigned() ? std::int64_t{raw}
                                        : std::int64_t{static_cast<std::uint32_t>(raw)};
}

struct Adjustment {
    std::string Name;
    std::string What;
    bool Limited = false; // a number the register's limits or range changed
};

// What the register holds that differs from the value the file writes for it. The reading
// rules are those of the register's own loading: surrounding blanks go, one extra pair of
// quotes around an array goes, the rest is a comma list.
void CheckValue(const TkxRegister& reg, const std::string& stored, std::vector<Adjustment>& out) {
    const TkxRegDefinition& definition = *reg.Definition();
    const std::string& name = definition.Name();
    if (definition.IsString()) {
        const std::string_view text = TrimBlanks(stored);
        if (reg.GetValueText(0, 0) != text) {
            out.push_back(
                {name,
                 text.size() > definition.Length()
                     ? "the text is cut to " + std::to_string(definition.Length()) + " characters"
                     : "the text is not kept as written",
                 false});
        }
        return;
    }
    std::string_view value = TrimBlanks(stored);
    if (value.empty()) {
        return; // reported as not found
    }
    if (value.size() >= 4 && value.starts_with("\"\"") && value.ends_with("\"\"")) {
        value = value.substr(1, value.size() - 2);
    }
    if (!WellFormedItems(value)) {
        out.push_back({name, "the value is malformed: " + std::string(value), false});
        return;
    }
    const std::vector<std::string> items = SplitCommaText(value);
    const int length = definition.Length();
    const int count = static_cast<int>(items.size());
    if (count > length) {
        out.push_back({name,
                       std::to_string(count) + " values for " + std::to_string(length) +
                           (length == 1 ? " element" : " elements") + "; the rest is dropped",
                       false});
    } else if (count < length) {
        out.push_back({name,
                       "elements " + std::to_string(count) + ".." + std::to_string(length - 1) +
                           " are not in the file and keep their default",
                       false});
    }
    const bool dateTime = definition.IsDate() || definition.IsTime();
    for (int i = 0; i < std::min(count, length); ++i) {
        const std::string& item = items[static_cast<std::size_t>(i)];
        const std::string element = length > 1 ? "element " + std::to_string(i) + ": " : "";
        if (dateTime) {
            double parsed = 0.0;
            if (!TkxFormat::TryStrToDateTime(TrimBlanks(item), parsed)) {
                out.push_back({name,
                               element + "'" + item + "' is no date or time; the default is kept",
                               false});
            }
            continue;
        }
        const std::optional<std::int64_t> number = PlainInteger(item);
        if (!number) {
            out.push_back({name,
                           element + "'" + item + "' is not a whole number; it is read as " +
                               std::to_string(HeldInteger(reg, i)),
                           false});
        } else if (*number != HeldInteger(reg, i)) {
            out.push_back({name,
                           element + std::to_string(*number) + " is stored as " +
                               std::to_string(HeldInteger(reg, i)),
                           true});
        }
    }
}

std::vector<std::string> KeysOf(TkxTextResource& resource) {
    std::vector<std::string> entries;
    resource.ReadSectionValues(TkxConfigFile::SetupSection, entries);
    for (std::string& entry : entries) {
        entry.resize(entry.find('='));
    }
    return entries;
}

std::vector<Adjustment> CheckImport(TkxDeviceQXSlave& drive, TkxTextResource& resource,
                                    const TkxRegBlock* group) {
    std::vector<Adjustment> adjustments;
    std::map<std::string, int> seen;
    for (const std::string& key : KeysOf(resource)) {
        TkxRegister* reg = drive.RegisterByName(key);
        if (reg == nullptr || !group->Contains(reg->Definition()->Address())) {
            continue;
        }
        const std::string& name = reg->Definition()->Name();
        if (++seen[name] == 2) {
            adjustments.push_back(
                {name, "is named more than once; the value of the first line is taken", false});
        } else if (seen[name] == 1) {
            CheckValue(*reg, resource.ReadString(TkxConfigFile::SetupSection, name, ""),
                       adjustments);
        }
    }
    return adjustments;
}

void ReadReport(const std::string& text, TkxImportReport& report) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t equals = line.rfind('=');
        if (equals == std::string::npos) {
            continue;
        }
        const std::string_view status = std::string_view(line).substr(equals + 1);
        std::string name = line.substr(0, equals);
        if (status == "Found.") {
            report.Found.push_back(std::move(name));
        } else if (status == "UNKNOWN!") {
            report.Unknown.push_back(std::move(name));
        } else if (status == "Excluded!") {
            report.Excluded.push_back(std::move(name));
        } else if (status == "NOT_FOUND!") {
            report.NotFound.push_back(std::move(name));
        }
    }
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 text after its byte-order mark as UTF-8; unpaired surrogates and an odd last byte
// become U+FFFD, which has no Windows-1252 form and is replaced there.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    const auto unit = [&](std::size_t i) {
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        return static_cast<char32_t>(hi << 8 | lo);
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
            unit(i + 2) < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    if (i < bytes.size()) {
        AppendUtf8(out, 0xFFFD);
    }
    return out;
}

} // namespace

std::string TkxConfigFile::Extension(int model) {
    return std::to_string(model);
}

int TkxConfigFile::FilterIndex(int model) {
    switch (model) {
    case 440:
        return 1;
    case 460:
        return 2;
    case 470:
        return 3;
    default:
        return 4;
    }
}

int TkxConfigFile::ModelOfExtension(std::string_view extension) {
    if (extension.starts_with('.')) {
        extension.remove_prefix(1);
    }
    int model = 0;
    const auto [end, error] =
        std::from_chars(extension.data(), extension.data() + extension.size(), model);
    if (extension.empty() || error != std::errc() || end != extension.data() + extension.size() ||
        model <= 0) {
        return 0;
    }
    return model;
}

TkxConfigHeader TkxConfigFile::HeaderFrom(TkxTextResource& settings) {
    const TkxConfigHeader defaults;
    TkxConfigHeader header;
    header.Owner = settings.ReadString("AboutForm", "Owner", defaults.Owner);
    header.Version = settings.ReadString("AboutForm", "Version", defaults.Version);
    header.Company = settings.ReadString("AboutForm", "Company", defaults.Company);
    header.Web = settings.ReadString("AboutForm", "Web", defaults.Web);
    return header;
}

void TkxConfigFile::Write(const TkxDeviceQXSlave& drive, TkxTextResource& resource,
                          const TkxConfigHeader& header) {
    resource.Reset();
    resource.WriteString(HeaderSection, "Owner", header.Owner);
    resource.WriteString(HeaderSection, "Version", header.Version);
    resource.WriteString(HeaderSection, "Company", header.Company);
    resource.WriteString(HeaderSection, "Web", header.Web);
    drive.ExportSetup(SetupSection, &resource);
}

std::vector<std::string> TkxConfigFile::Export(const TkxDeviceQXSlave& drive,
                                               const std::string& path,
                                               const TkxConfigHeader& header) {
    std::vector<std::string> log{"Export setup to file: " + path};
    TkxTextResource resource;
    Write(drive, resource, header);
    // Written beside the file and then put in its place, so that a failed write never leaves
    // half a file where a good one was.
    const std::string partial = path + ".part";
    try {
        resource.SaveToFile(partial);
    } catch (const ETkxError&) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        throw;
    }
    std::error_code ec;
    std::filesystem::rename(partial, path, ec);
    if (ec) {
        const std::string why = ec.message();
        std::filesystem::remove(partial, ec);
        throw ETkxError("Cannot write file \"" + path + "\": " + why);
    }
    log.emplace_back("Setup exported!");
    return log;
}

std::string TkxConfigFile::Load(const std::string& path, TkxTextResource& resource) {
    std::error_code ec;
    std::ifstream file;
    if (!std::filesystem::is_directory(path, ec)) {
        file.open(path, std::ios::binary);
    }
    if (!file.is_open()) {
        throw ETkxError("Cannot open file \"" + path + "\"");
    }
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) {
        throw ETkxError("Cannot read file \"" + path + "\"");
    }
    return SetFileText(resource, text);
}

std::string TkxConfigFile::SetFileText(TkxTextResource& resource, std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        resource.SetText(Utf8ToAnsi(bytes.substr(3)));
        return "UTF-8";
    }
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        resource.SetText(Utf8ToAnsi(Utf16ToUtf8(bytes.substr(2), bytes[0] == '\xFE')));
        return "UTF-16";
    }
    resource.SetText(bytes);
    return "";
}

TkxImportReport TkxConfigFile::Import(TkxDeviceQXSlave& drive, const std::string& path) {
    TkxTextResource resource;
    const std::string converted = Load(path, resource);
    TkxImportReport report = Import(drive, resource, path);
    report.ConvertedFrom = converted;
    return report;
}

TkxImportReport TkxConfigFile::Import(TkxDeviceQXSlave& drive, TkxTextResource& resource,
                                      const std::string& path) {
    TkxImportReport report;
    report.Log.push_back("Import setup from file: " + path);
    report.Creator = resource.ReadString(HeaderSection, "Owner", Unknown);
    report.Version = resource.ReadString(HeaderSection, "Version", Unknown);
    report.Log.push_back(" -> Creator: " + report.Creator);
    report.Log.push_back(" -> Version: " + report.Version);
    report.HasSetup = resource.FindSection(SetupSection);

    const std::unique_ptr<TkxRegBlock> group = GroupOf(drive);
    report.Text = drive.ImportSetup(SetupSection, &resource);
    if (group != nullptr) {
        std::vector<Adjustment> adjustments = CheckImport(drive, resource, group.get());
        // A register limited by another register of the file is read before that register
        // when it stands above it in the file; once every register holds its file value, a
        // second pass takes it whole.
        if (std::any_of(adjustments.begin(), adjustments.end(),
                        [](const Adjustment& a) { return a.Limited; })) {
            report.Text = drive.ImportSetup(SetupSection, &resource);
            adjustments = CheckImport(drive, resource, group.get());
        }
        for (Adjustment& adjustment : adjustments) {
            report.Adjusted.emplace_back(std::move(adjustment.Name), std::move(adjustment.What));
        }
        const std::vector<std::string> keys = KeysOf(resource);
        const std::set<std::string> named(keys.begin(), keys.end());
        drive.ForEachRegister(group.get(), [&](const TkxRegister& reg) {
            const std::string& name = reg.Definition()->Name();
            if (!named.contains(name)) {
                report.Absent.push_back(name);
            }
        });
    }
    ReadReport(report.Text, report);
    report.Log.emplace_back("Setup imported!");
    report.Log.emplace_back("Please, VERIFY BEFORE send or SAVE it!");
    return report;
}

std::vector<TkxSetupValue> TkxConfigFile::Snapshot(const TkxDeviceQXSlave& drive) {
    std::vector<TkxSetupValue> values;
    const std::unique_ptr<TkxRegBlock> group = GroupOf(drive);
    drive.ForEachRegister(group.get(), [&](const TkxRegister& reg) {
        const TkxRegDefinition& definition = *reg.Definition();
        TkxSetupValue value;
        value.Name = definition.Name();
        value.Description = definition.GetDescr(-1, 0);
        if (reg.Data() == nullptr) {
            values.push_back(std::move(value));
            return;
        }
        if (definition.IsString()) {
            value.Text = reg.GetValueText(0, 0);
        } else {
            for (int i = 0; i < definition.Length(); ++i) {
                value.Text += (i > 0 ? ", " : "") + reg.GetValueText(i, 0);
            }
        }
        TkxThreadBuffer::Reader reader(*reg.Data());
        value.Bytes.assign(reader.Data(), reader.Data() + reg.Data()->Size());
        values.push_back(std::move(value));
    });
    return values;
}

std::vector<TkxSetupDifference> TkxConfigFile::Differences(const std::vector<TkxSetupValue>& a,
                                                           const std::vector<TkxSetupValue>& b) {
    std::map<std::string_view, const TkxSetupValue*> byName;
    for (const TkxSetupValue& value : b) {
        byName.emplace(value.Name, &value);
    }
    std::vector<TkxSetupDifference> differences;
    std::set<std::string_view> matched;
    for (const TkxSetupValue& value : a) {
        const auto other = byName.find(value.Name);
        if (other == byName.end()) {
            differences.push_back({value, std::nullopt});
            continue;
        }
        matched.insert(value.Name);
        // Equal bytes are equal values (a date of all zero bytes has no fixed text); registers
        // laid out differently compare by what they show.
        const bool same = value.Bytes.size() == other->second->Bytes.size()
                              ? value.Bytes == other->second->Bytes
                              : value.Text == other->second->Text;
        if (!same) {
            differences.push_back({value, *other->second});
        }
    }
    for (const TkxSetupValue& value : b) {
        if (!matched.contains(value.Name)) {
            differences.push_back({std::nullopt, value});
        }
    }
    return differences;
}
