#include "devices/tkxconfigfilecls.h"

#include "base/tkxerror.h"
#include "devices/tkxdeviceqxslavecls.h"
#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxversionrecordcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"
#include "registers/tkxtextresourcecls.h"
#include "support/tkxtempfolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

std::string ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A drive laid out from a definition text, with no line: what an offline drive is.
class OfflineDrive {
public:
    explicit OfflineDrive(const std::string& definitions) {
        FDefs.SetText(definitions);
        FDefs.Build();
        FDrive = std::make_unique<TkxDeviceQXSlave>(&FSetup, &FVersion, &FDefs);
    }
    TkxDeviceQXSlave& operator*() { return *FDrive; }
    TkxDeviceQXSlave* operator->() { return FDrive.get(); }
    TkxRegister& Reg(const char* name) { return *FDrive->RegisterByName(name); }

private:
    TkxRegDefsList FDefs;
    TkxDeviceSetup FSetup;
    TkxVersionRecord FVersion{"QX460v900"};
    std::unique_ptr<TkxDeviceQXSlave> FDrive;
};

const std::string kSmallDrive = ReadBytes(std::string(TKX_TEST_DATA_DIR) + "/config_small.par");

// Values other than every default, in each register of the group.
void Commission(OfflineDrive& drive) {
    drive.Reg("Speed").SetValueInteger(0, 1234);
    drive.Reg("Offset").SetValueDouble(0, -2.5);
    drive.Reg("Position").SetValueInteger(0, 123456);
    drive.Reg("Gains").SetValueInteger(0, 1);
    drive.Reg("Gains").SetValueInteger(1, 20);
    drive.Reg("Gains").SetValueInteger(2, 300);
    drive.Reg("Label").SetValueText("X axis", -1, 0);
    drive.Reg("Commissioned").SetValueText("12/05/03", 0, 0);
}

class TkxConfigFileTest : public ::testing::Test {
protected:
    // Imports the text of a file through the drive.
    TkxImportReport ImportText(const std::string& text) {
        TkxTextResource file;
        file.SetText(text);
        return TkxConfigFile::Import(*Drive, file, "setup.460");
    }

    OfflineDrive Drive{kSmallDrive};
    TkxTempFolder Folder;
};

TEST_F(TkxConfigFileTest, ExportWritesTheFileByteForByte) {
    Commission(Drive);
    const std::string path = Folder.PathOf("small.460");
    const std::vector<std::string> log = TkxConfigFile::Export(*Drive, path, TkxConfigHeader{});
    EXPECT_THAT(log, ElementsAre("Export setup to file: " + path, "Setup exported!"));
    EXPECT_EQ(ReadBytes(path), ReadBytes(std::string(TKX_TEST_DATA_DIR) + "/config_small.460"));
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));
}

TEST_F(TkxConfigFileTest, HeaderKeysComeFromTheSettingsWithTheirDefaults) {
    TkxTextResource settings;
    settings.SetText("[AboutForm]\r\nOwner=\"Bench\"\r\nWeb=\"www.example.org\"\r\n");
    const TkxConfigHeader header = TkxConfigFile::HeaderFrom(settings);
    EXPECT_EQ(header.Owner, "Bench");
    EXPECT_EQ(header.Version, "1.31");
    EXPECT_EQ(header.Company, "Corvane s.n.c.");
    EXPECT_EQ(header.Web, "www.example.org");

    TkxTextResource file;
    TkxConfigFile::Write(*Drive, file, header);
    EXPECT_THAT(std::vector<std::string>(file.Lines().begin(), file.Lines().begin() + 5),
                ElementsAre("[Header]", "Web=\"www.example.org\"", "Company=\"Corvane s.n.c.\"",
                            "Version=\"1.31\"", "Owner=\"Bench\""));
}

TEST_F(TkxConfigFileTest, ExportThenImportRestoresEveryRegisterArraysIncluded) {
    Commission(Drive);
    const std::vector<TkxSetupValue> commissioned = TkxConfigFile::Snapshot(*Drive);
    const std::string path = Folder.PathOf("small.460");
    TkxConfigFile::Export(*Drive, path, TkxConfigHeader{});

    OfflineDrive other{kSmallDrive};
    const TkxImportReport report = TkxConfigFile::Import(*other, path);
    EXPECT_THAT(TkxConfigFile::Differences(commissioned, TkxConfigFile::Snapshot(*other)),
                IsEmpty());
    EXPECT_EQ(other.Reg("Gains").GetValueInteger(2), 300);
    EXPECT_EQ(other.Reg("Commissioned").GetValueText(0, 0), "12/05/03");
    EXPECT_THAT(report.Found,
                ElementsAre("Gains", "Position", "Offset", "Speed", "Label", "Commissioned"));
    EXPECT_THAT(report.Unknown, IsEmpty());
    EXPECT_THAT(report.Adjusted, IsEmpty());
    EXPECT_THAT(report.Absent, IsEmpty());
    EXPECT_EQ(report.Creator, "QX_DRIVE_CfgTrm");
    EXPECT_EQ(report.Version, "1.31");
    EXPECT_THAT(report.Log,
                ElementsAre("Import setup from file: " + path, " -> Creator: QX_DRIVE_CfgTrm",
                            " -> Version: 1.31", "Setup imported!",
                            "Please, VERIFY BEFORE send or SAVE it!"));
    EXPECT_EQ(other->SetupState(), TkxDeviceQXSlave::SetupEdited) << "an import is an edit";
}

TEST_F(TkxConfigFileTest, AFileWithoutHeaderIsImportedAllTheSame) {
    const TkxImportReport report = ImportText("[QXDRVCFG]\r\nSpeed=\"\"5\"\"\r\n");
    EXPECT_EQ(report.Creator, "- unknown -");
    EXPECT_EQ(report.Version, "- unknown -");
    EXPECT_EQ(report.Log[1], " -> Creator: - unknown -");
    EXPECT_EQ(report.Log[2], " -> Version: - unknown -");
    EXPECT_EQ(Drive.Reg("Speed").GetValueInteger(0), 5) << "the value 5 reads back as 5";
    EXPECT_EQ(report.Text, "Speed=Found.\r\n");
    EXPECT_THAT(report.Absent, ElementsAre("Commissioned", "Label", "Offset", "Position", "Gains"))
        << "the registers the file does not name keep their values";
}

TEST_F(TkxConfigFileTest, TheReportSortsEveryEntryAndLeavesRegistersOutsideTheGroupAlone) {
    Drive.Reg("Outside").SetValueInteger(0, 9);
    Drive.Reg("Offset").SetValueInteger(0, 40);
    const TkxImportReport report =
        ImportText("[Header]\r\nOwner=\"Other tool\"\r\n"
                   "[QXDRVCFG]\r\nOutside=\"\"1\"\"\r\nNoSuch=\"\"1\"\"\r\n"
                   "Offset=\"\"\r\nSpeed=\"\"77\"\"\r\n");
    EXPECT_EQ(report.Text, "Outside=Excluded!\r\nNoSuch=UNKNOWN!\r\nOffset=NOT_FOUND!\r\n"
                           "Speed=Found.\r\n");
    EXPECT_THAT(report.Excluded, ElementsAre("Outside"));
    EXPECT_THAT(report.Unknown, ElementsAre("NoSuch"));
    EXPECT_THAT(report.NotFound, ElementsAre("Offset"));
    EXPECT_THAT(report.Found, ElementsAre("Speed"));
    EXPECT_EQ(report.Creator, "Other tool");
    EXPECT_EQ(Drive.Reg("Outside").GetValueInteger(0), 9) << "outside the group";
    EXPECT_EQ(Drive.Reg("Offset").GetValueInteger(0), -5) << "an empty value gives the default";
    EXPECT_EQ(Drive.Reg("Speed").GetValueInteger(0), 77);
}

TEST_F(TkxConfigFileTest, ValuesNotTakenAsWrittenAreReportedNeverSilently) {
    const TkxImportReport report =
        ImportText("[QXDRVCFG]\r\n"
                   "Speed=\"\"12\r\n"                      // a line cut inside its value
                   "Offset=\"\"70000\"\"\r\n"              // beyond the type's range
                   "Gains=\"\"1\",\"2\",\"3\",\"4\"\"\r\n" // one value too many
                   "Position=\"\"12abc\"\"\r\n"            // not a whole number
                   "Label=\"Far too long\"\r\n"            // longer than the register
                   "Label=\"B\"\r\n");                     // named twice
    EXPECT_THAT(report.Adjusted,
                ElementsAre(Pair("Speed", "the value is malformed: \"\"12"),
                            Pair("Offset", "70000 is stored as 1000"),
                            Pair("Gains", "4 values for 3 elements; the rest is dropped"),
                            Pair("Position", "'12abc' is not a whole number; it is read as 12"),
                            Pair("Label", "the text is cut to 8 characters"),
                            Pair("Label",
                                 "is named more than once; the value of the first line is taken")));
    EXPECT_EQ(Drive.Reg("Gains").GetValueInteger(2), 3);
    EXPECT_EQ(Drive.Reg("Label").GetValueText(0, 0), "Far too ");
}

TEST_F(TkxConfigFileTest, ARegisterLimitedByALaterOneOfTheFileIsTakenWhole) {
    // The offset may not exceed the speed (in display units); the file names the offset first.
    Drive.Reg("Offset").SetMaxRegister(&Drive.Reg("Speed"));
    Drive.Reg("Speed").SetValueInteger(0, 1);
    const TkxImportReport report =
        ImportText("[QXDRVCFG]\r\nOffset=\"\"50\"\"\r\nSpeed=\"\"1500\"\"\r\n");
    EXPECT_EQ(Drive.Reg("Offset").GetValueInteger(0), 50);
    EXPECT_EQ(Drive.Reg("Speed").GetValueInteger(0), 1500);
    EXPECT_THAT(report.Adjusted, IsEmpty());
}

TEST_F(TkxConfigFileTest, TextInUnicodeIsConvertedAndBinaryChangesNothing) {
    const std::string utf8 = "\xEF\xBB\xBF[QXDRVCFG]\r\nLabel=\"Z\xC3\xBCrich\"\r\n";
    TkxImportReport report = TkxConfigFile::Import(*Drive, Folder.Write("utf8.460", utf8));
    EXPECT_EQ(report.ConvertedFrom, "UTF-8");
    EXPECT_EQ(Drive.Reg("Label").GetValueText(0, 0), "Z\xFCrich");

    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("[QXDRVCFG]\r\nLabel=\"\xFC-1\"\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    report = TkxConfigFile::Import(*Drive, Folder.Write("utf16.460", utf16));
    EXPECT_EQ(report.ConvertedFrom, "UTF-16");
    EXPECT_EQ(Drive.Reg("Label").GetValueText(0, 0), "\xFC-1");

    const std::vector<TkxSetupValue> before = TkxConfigFile::Snapshot(*Drive);
    report =
        TkxConfigFile::Import(*Drive, Folder.Write("binary.460", std::string("\x7F"
                                                                             "ELF\0\x01\xFF=\"",
                                                                             9)));
    EXPECT_FALSE(report.HasSetup);
    EXPECT_EQ(report.Text, "");
    EXPECT_THAT(TkxConfigFile::Differences(before, TkxConfigFile::Snapshot(*Drive)), IsEmpty());
}

TEST_F(TkxConfigFileTest, FilesThatCannotBeReadOrWrittenThrowAndKeepWhatWasThere) {
    EXPECT_THROW(TkxConfigFile::Import(*Drive, Folder.PathOf("missing.460")), ETkxError);
    EXPECT_THROW(TkxConfigFile::Import(*Drive, Folder.Dir()), ETkxError);

    const std::string path = Folder.Write("kept.460", "old");
    std::filesystem::create_directory(path + ".part"); // the new text cannot be written
    EXPECT_THROW(TkxConfigFile::Export(*Drive, path, TkxConfigHeader{}), ETkxError);
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_THROW(TkxConfigFile::Export(*Drive, Folder.PathOf("no/such/folder.460"), {}), ETkxError);
}

TEST(TkxConfigFileDrive, WithoutTheGroupOnlyTheHeaderIsWrittenAndNothingImported) {
    OfflineDrive drive{"[Categories]\r\nRamSetup=200/200\r\n[200]\r\nName=Speed\r\n"};
    TkxTextResource file;
    TkxConfigFile::Write(*drive, file, TkxConfigHeader{});
    EXPECT_EQ(file.Count(), 5);
    EXPECT_FALSE(file.FindSection("QXDRVCFG"));

    file.SetText("[QXDRVCFG]\r\nSpeed=\"\"5\"\"\r\n");
    const TkxImportReport report = TkxConfigFile::Import(*drive, file, "f.460");
    EXPECT_EQ(drive.Reg("Speed").GetValueInteger(0), 0);
    EXPECT_EQ(report.Text, "");
    EXPECT_TRUE(report.HasSetup);
    EXPECT_EQ(report.Log.size(), 5U) << "the log lines appear all the same";
}

TEST(TkxConfigFileNames, ExtensionAndFilterOfEachModel) {
    EXPECT_EQ(TkxConfigFile::Extension(470), "470");
    EXPECT_EQ(TkxConfigFile::FilterIndex(440), 1);
    EXPECT_EQ(TkxConfigFile::FilterIndex(460), 2);
    EXPECT_EQ(TkxConfigFile::FilterIndex(470), 3);
    EXPECT_EQ(TkxConfigFile::FilterIndex(550), 4);
    EXPECT_EQ(TkxConfigFile::ModelOfExtension(".460"), 460);
    EXPECT_EQ(TkxConfigFile::ModelOfExtension("470"), 470);
    EXPECT_EQ(TkxConfigFile::ModelOfExtension("par"), 0);
    EXPECT_EQ(TkxConfigFile::ModelOfExtension(""), 0);
}

TEST(TkxConfigFileCompare, RegistersDifferByBytesAndEachSideMayLackOne) {
    const std::vector<TkxSetupValue> a = {{"Speed", "Speed reference", "5 rpm", {0, 5}},
                                          {"Only", "In A", "1", {0, 1}},
                                          {"Same", "Same", "2", {0, 2}}};
    const std::vector<TkxSetupValue> b = {{"Same", "Same", "2", {0, 2}},
                                          {"Speed", "Speed reference", "6 rpm", {0, 6}},
                                          {"New", "In B", "3", {0, 3}}};
    const std::vector<TkxSetupDifference> d = TkxConfigFile::Differences(a, b);
    ASSERT_EQ(d.size(), 3U);
    EXPECT_EQ(d[0].A->Text, "5 rpm");
    EXPECT_EQ(d[0].B->Text, "6 rpm");
    EXPECT_EQ(d[1].A->Name, "Only");
    EXPECT_FALSE(d[1].B.has_value());
    EXPECT_FALSE(d[2].A.has_value());
    EXPECT_EQ(d[2].B->Name, "New");
}

} // namespace
