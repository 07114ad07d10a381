#pragma once

#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxtextresourcecls.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TkxVersionRecord;
class TkxDMCollection;

// A definition file the folder search passed over, and why.
struct TkxSkippedFile {
    std::string FileName;
    std::string Reason;
};

// The result of looking up the list for a version: either one the collection keeps (Kept)
// or a new, unbuilt one that the caller owns (Created).
struct TkxRegDefsChoice {
    TkxRegDefsList* Kept = nullptr;
    std::unique_ptr<TkxRegDefsList> Created;

    TkxRegDefsList* List() const { return Kept != nullptr ? Kept : Created.get(); }
};

// (sender, version or null, file name in and out)
using TkxVersionEvent =
    std::function<void(TkxDMCollection&, const TkxVersionRecord*, std::string&)>;

// The data models of all devices: finds the definition file that serves a device version in a
// folder, falls back to a default file or lets the application choose one, keeps every list
// it has handed out for the rest of its life, and owns the built-in texts that every list
// redirects to. Main thread only.
//
// The folder is searched as on a case-insensitive file system: the extension pattern matches
// whatever the case of the names, files are taken in case-insensitive name order, and the
// default file is found whatever the case of its name. A file that cannot be read or is no
// definition file is passed over and noted in SkippedFiles; it never ends the search.
class TkxDMCollection {
public:
    // Files above this size are not taken for definition files.
    static constexpr std::uintmax_t kMaxFileBytes = 16u << 20;

    TkxDMCollection();
    ~TkxDMCollection();
    TkxDMCollection(const TkxDMCollection&) = delete;
    TkxDMCollection& operator=(const TkxDMCollection&) = delete;

    const std::string& FilePath() const { return FFilePath; }
    // Stores the folder with a trailing "/"; an empty path stays empty (no folder to search).
    void SetFilePath(const std::string& path);
    const std::string& FileExt() const { return FFileExt; }
    void SetFileExt(const std::string& ext) { FFileExt = ext; }
    const std::string& DfltFile() const { return FDfltFile; }
    void SetDfltFile(const std::string& name) { FDfltFile = name; }

    // Extends the built-in set by a compiled-in text (by number or name) or by a file.
    bool LoadPredefined(int resourceId);
    bool LoadPredefinedResource(std::string_view name);
    void LoadPredefined(const std::string& fileName);
    TkxTextResource& Predefined() { return *FPredefined; }

    // The kept list that serves the version, else a new list from the folder search (blank
    // when no file serves it). A null version gives a new list of the default file.
    TkxRegDefsChoice GetRegDefsFor(const TkxVersionRecord* version);
    // The built list for the version, kept by the collection, or null when none serves it and
    // OnNoVersion supplies no other file.
    TkxRegDefsList* FindRegDefsListFor(const TkxVersionRecord* version);

    std::string GetVersionDescription(const TkxVersionRecord* version);
    std::string GetVersionFileName(const TkxVersionRecord* version);
    // True when both versions are served by the same file.
    bool AreVersionCompatible(const TkxVersionRecord* a, const TkxVersionRecord* b);
    bool AreVersionCompatible(std::string_view a, std::string_view b);

    // Appends the search path, the extension, an empty line and "name=versions" for every
    // definition file with versions. Nothing for a null list or without path or extension.
    void ExtractAllVersionList(std::vector<std::string>* lines);

    // The definition files of the folder, in search order, as full paths; files that cannot
    // be listed are noted in SkippedFiles.
    std::vector<std::string> DefinitionFiles();

    // What the last search, extraction or file choice passed over.
    const std::vector<TkxSkippedFile>& SkippedFiles() const { return FSkipped; }

    int ListCount() const { return static_cast<int>(FLists.size()); }
    TkxRegDefsList* Lists(int index) const;

    TkxVersionEvent OnVersion;
    TkxVersionEvent OnNoVersion;

private:
    std::unique_ptr<TkxRegDefsList> NewList();
    // Loads the file into list; on failure notes why, leaves the list empty and returns false.
    bool TryOpen(TkxRegDefsList& list, const std::string& fileName);
    void LoadDefaultInto(TkxRegDefsList& list);
    void SearchFolder(TkxRegDefsList& list, const TkxVersionRecord& version);
    // FilePath + name, where name is matched without case when no file has it exactly.
    std::string ResolveInFolder(const std::string& name) const;
    bool IsKept(const TkxRegDefsList* list) const;

    std::string FFilePath = "/";
    std::string FFileExt = "par";
    std::string FDfltFile;
    std::vector<std::unique_ptr<TkxRegDefsList>> FLists;
    std::unique_ptr<TkxTextResource> FPredefined;
    std::vector<TkxSkippedFile> FSkipped;
};
