#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes.
class TkxTempFolder {
public:
    TkxTempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tkx-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::filesystem::filesystem_error(
                "mkdtemp", std::error_code(errno, std::generic_category()));
        }
        FPath = pattern;
    }
    ~TkxTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }
    TkxTempFolder(const TkxTempFolder&) = delete;
    TkxTempFolder& operator=(const TkxTempFolder&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    // The folder with a trailing "/", as the data-model collection stores it.
    std::string Dir() const { return FPath.string() + "/"; }

    // The full path of a file or link of that name in the folder.
    std::string PathOf(const std::string& name) const { return (FPath / name).string(); }

    // Writes the text as the file's whole content and returns its full path.
    std::string Write(const std::string& name, std::string_view text) const {
        const std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

private:
    std::filesystem::path FPath;
};
