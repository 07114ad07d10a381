#include "registers/tkxdmcollectioncmp.h"

#include "devices/tkxversionrecordcls.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// The built-in set: the display formats, then the standard registers and the empty text.
constexpr int kFormatsResource = 28673;
constexpr int kStandardRegistersResource = 28672;
constexpr int kEmptyResource = 28674;

constexpr std::size_t kNameColumn = 30;

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return UpperAscii(x) == UpperAscii(y);
           });
}

// Wildcard match as the folder search of a case-insensitive file system does it: "*" stands
// for any run of characters, "?" for one, letters compare without case.
bool WildcardMatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starAt = std::string_view::npos;
    std::size_t resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || UpperAscii(pattern[p]) == UpperAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

// Case-insensitive name order, as such a file system lists a folder; names that differ only in
// case (possible here) keep a fixed order among themselves.
bool FolderOrder(const std::string& a, const std::string& b) {
    const auto folded =
        std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                     [](char x, char y) { return UpperAscii(x) < UpperAscii(y); });
    if (folded || !SameTextAscii(a, b)) {
        return folded;
    }
    return a < b;
}

bool HasNulByte(const TkxTextResource& resource) {
    return std::any_of(resource.Lines().begin(), resource.Lines().end(),
                       [](const std::string& line) { return line.find('\0') != line.npos; });
}

// The path as given when it exists, else the one entry of its folder whose name equals it
// without case; a path that matches nothing is returned unchanged, so opening it reports it.
std::string ResolveWithoutCase(const std::string& path) {
    std::error_code ec;
    const fs::path wanted(path);
    if (fs::exists(wanted, ec) || !wanted.has_filename()) {
        return path;
    }
    const fs::path folder = wanted.has_parent_path() ? wanted.parent_path() : fs::path(".");
    const std::string name = wanted.filename().string();
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (SameTextAscii(it->path().filename().string(), name)) {
            return wanted.has_parent_path() ? (folder / it->path().filename()).string()
                                            : it->path().filename().string();
        }
    }
    return path;
}

} // namespace

TkxDMCollection::TkxDMCollection()
    : FPredefined(std::make_unique<TkxTextResource>(kFormatsResource)) {
    FPredefined->AppendResourceID(kStandardRegistersResource);
    FPredefined->AppendResourceID(kEmptyResource);
}

TkxDMCollection::~TkxDMCollection() = default;

void TkxDMCollection::SetFilePath(const std::string& path) {
    FFilePath = path;
    if (!FFilePath.empty() && FFilePath.back() != '/') {
        FFilePath += '/';
    }
}

bool TkxDMCollection::LoadPredefined(int resourceId) {
    return FPredefined->AppendResourceID(resourceId);
}

bool TkxDMCollection::LoadPredefinedResource(std::string_view name) {
    return FPredefined->AppendResource(name);
}

void TkxDMCollection::LoadPredefined(const std::string& fileName) {
    FPredefined->AppendFile(fileName);
}

TkxRegDefsList* TkxDMCollection::Lists(int index) const {
    return index >= 0 && index < ListCount() ? FLists[index].get() : nullptr;
}

std::unique_ptr<TkxRegDefsList> TkxDMCollection::NewList() {
    auto list = std::make_unique<TkxRegDefsList>();
    list->Chain(FPredefined.get());
    return list;
}

bool TkxDMCollection::TryOpen(TkxRegDefsList& list, const std::string& fileName) {
    std::string reason;
    std::error_code ec;
    const auto size = fs::file_size(fileName, ec);
    if (!ec && size > kMaxFileBytes) {
        reason =
            "larger than " + std::to_string(kMaxFileBytes >> 20) + " MiB, not a definition file";
    } else {
        try {
            list.Open(fileName);
            if (HasNulByte(list)) {
                reason = "contains NUL bytes, not a definition file";
            }
        } catch (const std::exception& e) {
            reason = e.what();
        }
    }
    if (reason.empty()) {
        return true;
    }
    FSkipped.push_back({fileName, reason});
    list.Open("");
    return false;
}

void TkxDMCollection::LoadDefaultInto(TkxRegDefsList& list) {
    if (!FDfltFile.empty()) {
        TryOpen(list, ResolveInFolder(FDfltFile));
    }
}

std::string TkxDMCollection::ResolveInFolder(const std::string& name) const {
    return ResolveWithoutCase(FFilePath + name);
}

bool TkxDMCollection::IsKept(const TkxRegDefsList* list) const {
    return std::any_of(FLists.begin(), FLists.end(),
                       [&](const auto& kept) { return kept.get() == list; });
}

std::vector<std::string> TkxDMCollection::DefinitionFiles() {
    FSkipped.clear();
    std::vector<std::string> names;
    if (FFilePath.empty() || FFileExt.empty()) {
        return names;
    }
    const std::string pattern = "*." + FFileExt;
    std::error_code ec;
    fs::directory_iterator it(FFilePath, ec);
    if (ec) {
        FSkipped.push_back({FFilePath, "cannot list the folder: " + ec.message()});
        return names;
    }
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        std::error_code typeError;
        const std::string name = it->path().filename().string();
        if (it->is_regular_file(typeError) && WildcardMatch(pattern, name)) {
            names.push_back(name);
        }
    }
    if (ec) {
        FSkipped.push_back({FFilePath, "listing the folder stopped: " + ec.message()});
    }
    std::sort(names.begin(), names.end(), FolderOrder);
    for (auto& name : names) {
        name.insert(0, FFilePath);
    }
    return names;
}

void TkxDMCollection::SearchFolder(TkxRegDefsList& list, const TkxVersionRecord& version) {
    const auto files = DefinitionFiles();
    for (const auto& file : files) {
        if (TryOpen(list, file) && list.SupportsVersion(&version)) {
            return;
        }
        list.Open("");
    }
    if (!files.empty()) {
        LoadDefaultInto(list);
    }
}

TkxRegDefsChoice TkxDMCollection::GetRegDefsFor(const TkxVersionRecord* version) {
    FSkipped.clear();
    TkxRegDefsChoice choice;
    if (version != nullptr) {
        for (const auto& kept : FLists) {
            if (kept->SupportsVersion(version)) {
                choice.Kept = kept.get();
                return choice;
            }
        }
    }
    choice.Created = NewList();
    if (version == nullptr) {
        LoadDefaultInto(*choice.Created);
    } else {
        SearchFolder(*choice.Created, *version);
    }
    return choice;
}

TkxRegDefsList* TkxDMCollection::FindRegDefsListFor(const TkxVersionRecord* version) {
    auto choice = GetRegDefsFor(version);
    TkxRegDefsList* list = choice.List();
    std::string chosen;
    if (list->IsBlank()) {
        chosen = list->FileName();
        if (OnNoVersion) {
            OnNoVersion(*this, version, chosen);
        }
        if (chosen.empty() || chosen == list->FileName() ||
            !TryOpen(*list, ResolveWithoutCase(chosen)) || list->IsBlank()) {
            return nullptr;
        }
    }
    // The handler may look at the name but not change the file any more.
    std::string announced = chosen;
    if (OnVersion) {
        OnVersion(*this, version, announced);
    }
    if (!IsKept(list)) {
        FLists.push_back(std::move(choice.Created));
    }
    list->Build();
    return list;
}

std::string TkxDMCollection::GetVersionDescription(const TkxVersionRecord* version) {
    return GetRegDefsFor(version).List()->GetVersionDescr();
}

std::string TkxDMCollection::GetVersionFileName(const TkxVersionRecord* version) {
    return GetRegDefsFor(version).List()->FileName();
}

bool TkxDMCollection::AreVersionCompatible(const TkxVersionRecord* a, const TkxVersionRecord* b) {
    const std::string fileA = GetVersionFileName(a);
    return !fileA.empty() && fileA == GetVersionFileName(b);
}

bool TkxDMCollection::AreVersionCompatible(std::string_view a, std::string_view b) {
    const TkxVersionRecord recordA(a);
    const TkxVersionRecord recordB(b);
    return AreVersionCompatible(&recordA, &recordB);
}

void TkxDMCollection::ExtractAllVersionList(std::vector<std::string>* lines) {
    if (lines == nullptr || FFilePath.empty() || FFileExt.empty()) {
        return;
    }
    lines->push_back("Searching path: " + FFilePath);
    lines->push_back("Searching ext.: *." + FFileExt);
    lines->emplace_back();
    TkxRegDefsList scratch;
    for (const auto& file : DefinitionFiles()) {
        if (!TryOpen(scratch, file)) {
            continue;
        }
        const std::string versions = scratch.GetVersions();
        if (versions.empty()) {
            continue;
        }
        std::string name = fs::path(file).filename().string();
        name.resize(std::max(name.size(), kNameColumn), ' ');
        lines->push_back(name + "=" + versions);
    }
}
