#include "qxdrive/qxdrivecli.h"
#include "tools/qxdriveruncli.h"

#include "support/tkxtempfolder.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

const std::string kDir = std::string(TKX_TEST_DATA_DIR) + "/dmcollection";

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(CmdVersions, ListsPathExtensionAndEveryFileWithVersions) {
    const auto r = Qxdrive({"versions", "--dir", kDir});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "Searching path: " + kDir +
                         "/\n"
                         "Searching ext.: *.par\n"
                         "\n"
                         "qx440.par                     =QX440v*, \"QX440-*v*\"\n"
                         "qx460.PAR                     =QX460v3*,QX460v4*\n"
                         "qx470.Par                     =QX470v1**,QX470v3*\n"
                         "warning: qx470.Par: pattern \"QX470v1**\" does not parse and serves no "
                         "device\n");
    EXPECT_EQ(r.Err, "");
}

TEST(CmdVersions, ShowsSkippedFilesAndEscapesJunk) {
    TkxTempFolder folder;
    folder.Write("a.par", "[Versions]\nVersions=QX440v*\n");
    folder.Write("b.par", std::string("[Versions]\nVersions=QX1v*\n") + '\0');
    folder.Write("c.par", "[Versions]\nVersions=QX\x01\xE9v*\n");
    const auto r = Qxdrive({"versions", "--dir=" + folder.Path().string()});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(Contains(r.Out, "a.par                         =QX440v*\n"));
    EXPECT_TRUE(Contains(r.Out, "c.par                         =QX\\x01\u00E9v*\n"));
    EXPECT_TRUE(Contains(r.Out, "skipped " + folder.Dir() + "b.par: contains NUL bytes"));
}

TEST(CmdVersions, FolderMustExist) {
    const auto r = Qxdrive({"versions", "--dir", kDir + "/missing"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "qxdrive versions: " + kDir + "/missing is not a folder\n");
}

TEST(CmdVersions, BadArgumentsShowUsage) {
    for (const auto& args : std::vector<std::vector<std::string>>{{"versions", "extra"},
                                                                  {"versions", "--dir"},
                                                                  {"versions", "--dri", kDir},
                                                                  {"versions", "--dir="}}) {
        const auto r = Qxdrive(args);
        EXPECT_EQ(r.Status, 2) << args.back();
        EXPECT_EQ(r.Err, "usage: qxdrive versions [--dir DIR]\n");
    }
}

TEST(CmdWhich, NamesTheServingFileAndPattern) {
    const auto r = Qxdrive({"which", "qx460v412", "--dir", kDir});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "Version:     QX460v412\n"
                     "File:        " +
                         kDir +
                         "/qx460.PAR\n"
                         "Pattern:     QX460v4*\n"
                         "Description: QX460 drives, firmware 3 and 4\n");
}

TEST(CmdWhich, TheSimulatorDriveServesItsDefaultVersion) {
    const std::string dir = std::string(TKX_TEST_DATA_DIR) + "/sim";
    const auto r = Qxdrive({"which", "QX440v100", "--dir", dir});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(Contains(r.Out, "/drive.par\nPattern:     QX440v1*\n")) << r.Out;
}

TEST(CmdWhich, DeviceWithOptionLettersFindsTheLetterPattern) {
    const auto which = Qxdrive({"which", "--dir", kDir, "QX440-2Av123"});
    ASSERT_EQ(which.Status, 0) << which.Err;
    EXPECT_TRUE(Contains(which.Out, "Pattern:     QX440-*v*\n"));
}

TEST(CmdWhich, PartlyReadVersionIsStillLookedUp) {
    const auto r = Qxdrive({"which", "QX440v30x", "--dir", kDir});
    ASSERT_EQ(r.Status, 0);
    EXPECT_EQ(r.Err, "qxdrive which: \"QX440v30x\" is not a complete version text; using what "
                     "was read: QX440v300\n");
    EXPECT_TRUE(Contains(r.Out, "File:        " + kDir + "/qx440.par\n"));
}

TEST(CmdWhich, ExplainsWhyNoFileServes) {
    // QX470v1** does not parse, so firmware 1 of the QX470 has no file.
    const auto r = Qxdrive({"which", "QX470v123", "--dir", kDir});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "qxdrive which: no definition file in " + kDir +
                         "/ serves QX470v123\n"
                         "  none of its 4 *.par files lists a pattern covering it\n");

    TkxTempFolder empty;
    const auto none = Qxdrive({"which", "QX440v1", "--dir", empty.Path().string()});
    EXPECT_EQ(none.Status, 1);
    EXPECT_TRUE(Contains(none.Err, "  the folder holds no *.par files\n"));
}

TEST(CmdWhich, SkippedFilesAreNamed) {
    TkxTempFolder folder;
    folder.Write("a.par", std::string("[Versions]\nVersions=QX440v*\n") + '\0');
    folder.Write("b.par", "[Versions]\nVersions=QX440v*\n");
    const auto found = Qxdrive({"which", "QX440v1", "--dir", folder.Path().string()});
    ASSERT_EQ(found.Status, 0);
    EXPECT_TRUE(Contains(found.Out, "File:        " + folder.Dir() + "b.par\n"));
    EXPECT_TRUE(Contains(found.Err, "note: skipped " + folder.Dir() + "a.par: contains NUL"));

    const auto missing = Qxdrive({"which", "QX460v1", "--dir", folder.Path().string()});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_TRUE(Contains(missing.Err, "  skipped " + folder.Dir() + "a.par: contains NUL"));
}

TEST(CmdWhich, BadArgumentsShowUsage) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"which"}, {"which", "QX440v1", "QX460v1"}, {"which", "--dir", kDir}}) {
        const auto r = Qxdrive(args);
        EXPECT_EQ(r.Status, 2);
        EXPECT_EQ(r.Err, "usage: qxdrive which VERSION [--dir DIR]\n");
    }
}

} // namespace
