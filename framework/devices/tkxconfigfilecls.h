#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TkxDeviceQXSlave;
class TkxTextResource;

// The keys of the "Header" section: who wrote a configuration file. The defaults are the
// program's own; a caller takes them from its settings ("AboutForm") with HeaderFrom.
struct TkxConfigHeader {
    std::string Owner = "QX_DRIVE_CfgTrm";
    std::string Version = "1.31";
    std::string Company = "Corvane s.n.c.";
    std::string Web = "www.corvane.example";
};

// What an import did, entry by entry of the setup section, and the lines the caller logs.
struct TkxImportReport {
    // "Owner" and "Version" of the "Header" section, or "- unknown -".
    std::string Creator;
    std::string Version;
    // Names in file order, as the report text lists them.
    std::vector<std::string> Found;
    std::vector<std::string> Unknown;
    std::vector<std::string> Excluded;
    std::vector<std::string> NotFound;
    // Registers of the "ImportExport" group the file does not name: they keep their values.
    std::vector<std::string> Absent;
    // Registers whose value was not taken as the file writes it (a malformed or surplus item,
    // a number the register limits, a text cut to the register's length, a name given twice),
    // with what happened.
    std::vector<std::pair<std::string, std::string>> Adjusted;
    // The drive's report text: "NAME=Found.\r\n" and the like, one line per entry.
    std::string Text;
    // The file holds the setup section at all.
    bool HasSetup = false;
    // "UTF-8" or "UTF-16" when the file was converted to Windows-1252 before reading; empty
    // for a file read as it is.
    std::string ConvertedFrom;
    std::vector<std::string> Log;
};

// One register of the "ImportExport" group as a setup comparison sees it.
struct TkxSetupValue {
    std::string Name;
    std::string Description;
    // The display text with units; the elements of an array joined by ", ".
    std::string Text;
    std::vector<unsigned char> Bytes;
};

// A register whose value differs between two setups; a side without the register is empty.
struct TkxSetupDifference {
    std::optional<TkxSetupValue> A;
    std::optional<TkxSetupValue> B;
};

// The configuration files of a drive's setup ("*.440", "*.460", "*.470"): a "Header" section
// naming the program that wrote it, then the registers of the drive's "ImportExport" group in
// the section "QXDRVCFG", Windows-1252 text with CR LF line ends. Writing and reading go
// through the drive's ExportSetup and ImportSetup; nothing here talks to a drive or a user.
class TkxConfigFile {
public:
    static constexpr std::string_view HeaderSection = "Header";
    static constexpr std::string_view SetupSection = "QXDRVCFG";
    static constexpr std::string_view Unknown = "- unknown -";
    static constexpr std::string_view FilterText =
        "QX440 Cfg Files (*.440)|*.440|QX460 Cfg Files (*.460)|*.460|QX470 Cfg Files "
        "(*.470)|*.470|All Files (*.*)|*.*";

    // The file name extension of a drive model: its model number ("460").
    static std::string Extension(int model);
    // The entry of FilterText a model's files are offered under: 1, 2, 3, else 4.
    static int FilterIndex(int model);
    // The model an extension names (with or without its dot), or 0 for one that is no number.
    static int ModelOfExtension(std::string_view extension);

    // The header keys of a program settings file's "AboutForm" section, each with its default.
    static TkxConfigHeader HeaderFrom(TkxTextResource& settings);

    // The whole file text of the drive's setup into resource (emptied first).
    static void Write(const TkxDeviceQXSlave& drive, TkxTextResource& resource,
                      const TkxConfigHeader& header);
    // Writes the file; the lines to log. A file that cannot be written throws ETkxError and an
    // existing file of that name stays as it was.
    static std::vector<std::string> Export(const TkxDeviceQXSlave& drive, const std::string& path,
                                           const TkxConfigHeader& header);

    // Loads a file's text into resource; a text with a UTF-8 or UTF-16 byte-order mark is
    // converted to Windows-1252 and the name of its encoding returned, else "". Throws
    // ETkxError when the file cannot be read.
    static std::string Load(const std::string& path, TkxTextResource& resource);
    // The same for the bytes of a file already read.
    static std::string SetFileText(TkxTextResource& resource, std::string_view bytes);
    // The file's setup into the drive's registers; nothing is sent. Throws ETkxError when the
    // file cannot be read, and changes nothing then.
    static TkxImportReport Import(TkxDeviceQXSlave& drive, const std::string& path);
    // The same for a text already loaded; path only names it in the log.
    static TkxImportReport Import(TkxDeviceQXSlave& drive, TkxTextResource& resource,
                                  const std::string& path);

    // The registers of the drive's "ImportExport" group, in the group's order.
    static std::vector<TkxSetupValue> Snapshot(const TkxDeviceQXSlave& drive);
    // The registers whose bytes or display text differ, and those only one side has, in the
    // order of a, then those only b has.
    static std::vector<TkxSetupDifference> Differences(const std::vector<TkxSetupValue>& a,
                                                       const std::vector<TkxSetupValue>& b);
};
