#include "registers/tkxdmcollectioncmp.h"

#include "devices/tkxversionrecordcls.h"
#include "support/tkxtempfolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

std::string ParFile(std::string_view versions, std::string_view description = "",
                    std::string_view registers = "[100]\nName=Speed\n") {
    std::string text = "[Versions]\nVersions=" + std::string(versions) + "\n";
    if (!description.empty()) {
        text += "VerDescr=" + std::string(description) + "\n";
    }
    return text + std::string(registers);
}

class TkxDMCollectionTest : public ::testing::Test {
protected:
    void SetUp() override { Collection.SetFilePath(Folder.Path().string()); }

    TkxRegDefsList* Find(std::string_view version) {
        const TkxVersionRecord record(version);
        return Collection.FindRegDefsListFor(&record);
    }
    std::string FileNameOf(std::string_view version) {
        const TkxVersionRecord record(version);
        return Collection.GetVersionFileName(&record);
    }
    std::string NameOnly(const TkxRegDefsList* list) {
        return list ? std::filesystem::path(list->FileName()).filename().string() : "(none)";
    }

    TkxTempFolder Folder;
    TkxDMCollection Collection;
};

TEST_F(TkxDMCollectionTest, Defaults) {
    TkxDMCollection fresh;
    EXPECT_EQ(fresh.FilePath(), "/");
    EXPECT_EQ(fresh.FileExt(), "par");
    EXPECT_EQ(fresh.DfltFile(), "");
    EXPECT_EQ(fresh.ListCount(), 0);
    EXPECT_TRUE(fresh.Predefined().FindSection("@Perc10"));
    EXPECT_TRUE(fresh.Predefined().FindSection("@ModBusBaudrate"));
}

TEST_F(TkxDMCollectionTest, FilePathGetsOneTrailingDelimiter) {
    Collection.SetFilePath("/opt/defs");
    EXPECT_EQ(Collection.FilePath(), "/opt/defs/");
    Collection.SetFilePath("/opt/defs/");
    EXPECT_EQ(Collection.FilePath(), "/opt/defs/");
    Collection.SetFilePath("");
    EXPECT_EQ(Collection.FilePath(), "");
}

TEST_F(TkxDMCollectionTest, FindsBuildsAndKeepsTheServingFile) {
    Folder.Write("qx440.par", ParFile("QX440v*", "QX440 family"));
    Folder.Write("qx460.par", ParFile("QX460v3*,QX460v4*"));
    auto* list = Find("QX460v400");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(NameOnly(list), "qx460.par");
    EXPECT_TRUE(list->IsBuilt());
    EXPECT_EQ(list->Count(), 1);
    EXPECT_EQ(Collection.ListCount(), 1);
    // Served again from the kept list, whatever the file holds now.
    Folder.Write("qx460.par", ParFile("QX999v*"));
    EXPECT_EQ(Find("QX460v301"), list);
    EXPECT_EQ(Collection.ListCount(), 1);
    EXPECT_EQ(NameOnly(Find("QX440v123")), "qx440.par");
    EXPECT_EQ(Collection.ListCount(), 2);
    EXPECT_EQ(Collection.Lists(1)->GetVersionDescr(), "QX440 family");
    EXPECT_EQ(Collection.Lists(2), nullptr);
}

TEST_F(TkxDMCollectionTest, RegistersRedirectToTheBuiltInSet) {
    Folder.Write("a.par", ParFile("QX440v*", "",
                                  "[100]\nUseFormat=@Perc10\n[101]\n"
                                  "UseDefinition=@ModBusBaudrate\n"));
    auto* list = Find("QX440v123");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->FindByAddress(100)->FormatNorm(), 10.0);
    EXPECT_EQ(list->FindByAddress(101)->Name(), "ModBusBaudrate");
    EXPECT_EQ(list->FindByAddress(101)->GetValueDescr(3, 0, 0, true), "38400bps");
}

TEST_F(TkxDMCollectionTest, FirstFileInCaseInsensitiveOrderWins) {
    // Byte order would put "B" before "a".
    Folder.Write("a.par", ParFile("QX440v*"));
    Folder.Write("B.par", ParFile("QX440v*"));
    EXPECT_EQ(FileNameOf("QX440v123"), Folder.Dir() + "a.par");
    EXPECT_EQ(Collection.DefinitionFiles(),
              (Strings{Folder.Dir() + "a.par", Folder.Dir() + "B.par"}));
}

TEST_F(TkxDMCollectionTest, ExtensionMatchesWhateverItsCase) {
    Folder.Write("upper.PAR", ParFile("QX440v*"));
    Folder.Write("mixed.Par", ParFile("QX460v*"));
    Folder.Write("backup.par.bak", ParFile("QX470v*"));
    Folder.Write("notes.txt", ParFile("QX470v*"));
    std::filesystem::create_directory(Folder.Path() / "folder.par");
    EXPECT_EQ(Collection.DefinitionFiles(),
              (Strings{Folder.Dir() + "mixed.Par", Folder.Dir() + "upper.PAR"}));
    EXPECT_EQ(NameOnly(Find("QX440v1")), "upper.PAR");
    EXPECT_EQ(Find("QX470v1"), nullptr);
    Collection.SetFileExt("PAR");
    EXPECT_EQ(Collection.DefinitionFiles().size(), 2u);
    Collection.SetFileExt("p?r");
    EXPECT_EQ(Collection.DefinitionFiles().size(), 2u);
}

TEST_F(TkxDMCollectionTest, DefaultFileWhenNoFileServes) {
    Folder.Write("qx440.par", ParFile("QX440v*"));
    Folder.Write("DEFAULT.PAR", ParFile("", "fallback"));
    Collection.SetDfltFile("default.par");
    auto* list = Find("QX999v1");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(NameOnly(list), "DEFAULT.PAR");
    EXPECT_EQ(list->GetVersionDescr(), "fallback");
}

TEST_F(TkxDMCollectionTest, EmptyFolderLoadsNoDefault) {
    Folder.Write("default.txt", ParFile("QX440v*"));
    Collection.SetDfltFile("default.txt");
    const TkxVersionRecord record("QX440v1");
    auto choice = Collection.GetRegDefsFor(&record);
    ASSERT_NE(choice.Created, nullptr);
    EXPECT_TRUE(choice.List()->IsBlank());
    EXPECT_EQ(Collection.FindRegDefsListFor(&record), nullptr);
    EXPECT_EQ(Collection.ListCount(), 0);
}

TEST_F(TkxDMCollectionTest, NoVersionHandlerDecides) {
    Folder.Write("qx440.par", ParFile("QX440v*"));
    const std::string other = Folder.Write("other.txt", ParFile("QX1v*", "chosen"));
    std::string answer;
    int calls = 0;
    Collection.OnNoVersion = [&](TkxDMCollection& sender, const TkxVersionRecord* version,
                                 std::string& fileName) {
        ++calls;
        EXPECT_EQ(&sender, &Collection);
        ASSERT_NE(version, nullptr);
        EXPECT_EQ(version->Model, 999);
        EXPECT_EQ(fileName, "");
        fileName = answer;
    };
    EXPECT_EQ(Find("QX999v1"), nullptr);
    answer = other;
    auto* list = Find("QX999v1");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetVersionDescr(), "chosen");
    EXPECT_TRUE(list->IsBuilt());
    EXPECT_EQ(Collection.ListCount(), 1);
    EXPECT_EQ(calls, 2);
}

TEST_F(TkxDMCollectionTest, NoVersionHandlerGivingTheSameBlankFileYieldsNull) {
    Folder.Write("qx440.par", ParFile("QX440v*"));
    Folder.Write("blank.par", "\n\n");
    Collection.SetDfltFile("blank.par");
    Collection.OnNoVersion = [&](TkxDMCollection&, const TkxVersionRecord*, std::string& name) {
        EXPECT_EQ(name, Folder.Dir() + "blank.par");
    };
    EXPECT_EQ(Find("QX999v1"), nullptr);
    EXPECT_EQ(Collection.ListCount(), 0);
}

TEST_F(TkxDMCollectionTest, NoVersionHandlerNamingAMissingFileYieldsNullWithReason) {
    Folder.Write("qx440.par", ParFile("QX440v*"));
    Collection.OnNoVersion = [&](TkxDMCollection&, const TkxVersionRecord*, std::string& name) {
        name = Folder.Dir() + "gone.par";
    };
    EXPECT_EQ(Find("QX999v1"), nullptr);
    ASSERT_EQ(Collection.SkippedFiles().size(), 1u);
    EXPECT_EQ(Collection.SkippedFiles()[0].FileName, Folder.Dir() + "gone.par");
    EXPECT_FALSE(Collection.SkippedFiles()[0].Reason.empty());
}

TEST_F(TkxDMCollectionTest, VersionHandlerSeesTheChoiceButCannotChangeIt) {
    Folder.Write("qx440.par", ParFile("QX440v*"));
    Folder.Write("x.txt", ParFile("QX1v*"));
    Strings seen;
    Collection.OnVersion = [&](TkxDMCollection&, const TkxVersionRecord*, std::string& name) {
        seen.push_back(name);
        name = Folder.Dir() + "x.txt";
    };
    Collection.OnNoVersion = [&](TkxDMCollection&, const TkxVersionRecord*, std::string& name) {
        name = Folder.Dir() + "qx440.par";
    };
    EXPECT_EQ(NameOnly(Find("QX440v1")), "qx440.par");
    EXPECT_EQ(NameOnly(Find("QX999v1")), "qx440.par");
    EXPECT_EQ(seen, (Strings{"", Folder.Dir() + "qx440.par"}));
}

TEST_F(TkxDMCollectionTest, NullVersionGivesTheDefaultFile) {
    Folder.Write("base.par", ParFile("", "base"));
    const TkxRegDefsList* list = Collection.FindRegDefsListFor(nullptr);
    EXPECT_EQ(list, nullptr);
    Collection.SetDfltFile("base.par");
    list = Collection.FindRegDefsListFor(nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(NameOnly(list), "base.par");
    EXPECT_EQ(Collection.ListCount(), 1);
}

TEST_F(TkxDMCollectionTest, QueriesDoNotKeepNewLists) {
    Folder.Write("qx440.par", ParFile("QX440v*", "QX440 family"));
    const TkxVersionRecord record("QX440v123");
    EXPECT_EQ(Collection.GetVersionDescription(&record), "QX440 family");
    EXPECT_EQ(Collection.GetVersionFileName(&record), Folder.Dir() + "qx440.par");
    const TkxVersionRecord unknown("QX999v1");
    EXPECT_EQ(Collection.GetVersionDescription(&unknown), "");
    EXPECT_EQ(Collection.GetVersionFileName(&unknown), "");
    EXPECT_EQ(Collection.ListCount(), 0);
}

TEST_F(TkxDMCollectionTest, CompatibleVersionsShareAFile) {
    Folder.Write("qx440.par", ParFile("QX440v*"));
    Folder.Write("qx460.par", ParFile("QX460v3*,QX460v4*"));
    EXPECT_TRUE(Collection.AreVersionCompatible("QX460v301", "QX460v400"));
    EXPECT_FALSE(Collection.AreVersionCompatible("QX460v301", "QX440v123"));
    EXPECT_FALSE(Collection.AreVersionCompatible("QX999v1", "QX999v1"));
    EXPECT_FALSE(Collection.AreVersionCompatible(nullptr, nullptr));
}

TEST_F(TkxDMCollectionTest, BadFilesAreSkippedWithAReason) {
    Folder.Write("a_binary.par", ParFile("QX440v*") + std::string(1, '\0'));
    const std::string big = Folder.Write("b_big.par", ParFile("QX440v*"));
    std::filesystem::resize_file(big, TkxDMCollection::kMaxFileBytes + 1);
    Folder.Write("c_good.par", ParFile("QX440v*"));
    EXPECT_EQ(NameOnly(Find("QX440v1")), "c_good.par");
    const auto& skipped = Collection.SkippedFiles();
    ASSERT_EQ(skipped.size(), 2u);
    EXPECT_EQ(skipped[0].FileName, Folder.Dir() + "a_binary.par");
    EXPECT_NE(skipped[0].Reason.find("NUL"), std::string::npos);
    EXPECT_EQ(skipped[1].FileName, big);
    EXPECT_NE(skipped[1].Reason.find("larger"), std::string::npos);
}

TEST_F(TkxDMCollectionTest, UnreadableFileIsSkippedAndTheSearchGoesOn) {
    // A link to process memory lists as a regular file but fails every read, even for root.
    const std::string unreadable = Folder.Dir() + "a.par";
    std::filesystem::create_symlink("/proc/self/mem", unreadable);
    const std::string locked = Folder.Write("b.par", ParFile("QX440v*"));
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    const bool permissionsApply = !std::ifstream(locked).good();
    Folder.Write("c.par", ParFile("QX440v*"));

    EXPECT_EQ(NameOnly(Find("QX440v1")), permissionsApply ? "c.par" : "b.par");
    const auto& skipped = Collection.SkippedFiles();
    ASSERT_EQ(skipped.size(), permissionsApply ? 2u : 1u);
    EXPECT_EQ(skipped[0].FileName, unreadable);
    EXPECT_NE(skipped[0].Reason.find("a.par"), std::string::npos) << skipped[0].Reason;
    if (permissionsApply) {
        EXPECT_EQ(skipped[1].FileName, locked);
    }
}

TEST_F(TkxDMCollectionTest, MissingFolderFindsNothingAndKeepsWhatIsHeld) {
    Folder.Write("qx440.par", ParFile("QX440v*"));
    auto* held = Find("QX440v1");
    ASSERT_NE(held, nullptr);
    Collection.SetFilePath((Folder.Path() / "nowhere").string());
    EXPECT_EQ(Find("QX460v1"), nullptr);
    ASSERT_EQ(Collection.SkippedFiles().size(), 1u);
    EXPECT_NE(Collection.SkippedFiles()[0].Reason.find("cannot list"), std::string::npos);
    EXPECT_EQ(Find("QX440v2"), held);
    EXPECT_EQ(held->Count(), 1);
}

TEST_F(TkxDMCollectionTest, NoSearchWithoutPathOrExtension) {
    Folder.Write("qx440.par", ParFile("QX440v*"));
    Collection.SetFileExt("");
    EXPECT_EQ(Find("QX440v1"), nullptr);
    EXPECT_TRUE(Collection.SkippedFiles().empty());
}

TEST_F(TkxDMCollectionTest, VersionListReport) {
    Folder.Write("qx440.par", ParFile("QX440v*, QX440-*v*"));
    Folder.Write("a_very_long_definition_file_name.par", ParFile("QX470v*"));
    Folder.Write("noversions.par", "[100]\nName=X\n");
    Folder.Write("broken.par", std::string("\0", 1));
    Strings lines{"kept"};
    Collection.ExtractAllVersionList(&lines);
    EXPECT_EQ(lines, (Strings{"kept", "Searching path: " + Folder.Dir(), "Searching ext.: *.par",
                              "", "a_very_long_definition_file_name.par=QX470v*",
                              "qx440.par" + std::string(21, ' ') + "=QX440v*, QX440-*v*"}));
    EXPECT_EQ(Collection.SkippedFiles().size(), 1u);
    EXPECT_EQ(Collection.ListCount(), 0);
}

TEST_F(TkxDMCollectionTest, VersionListReportNeedsListPathAndExtension) {
    Collection.ExtractAllVersionList(nullptr);
    Strings lines;
    Collection.SetFilePath("");
    Collection.ExtractAllVersionList(&lines);
    EXPECT_TRUE(lines.empty());
}

TEST_F(TkxDMCollectionTest, PredefinedSetCanBeExtended) {
    const std::string extra = Folder.Write("extra.txt", "[@Mine]\nFormatNorm=4\n");
    Collection.LoadPredefined(extra);
    EXPECT_TRUE(Collection.Predefined().FindSection("@Mine"));
    EXPECT_THROW(Collection.LoadPredefined(Folder.Dir() + "missing.txt"), std::exception);
    EXPECT_TRUE(Collection.Predefined().FindSection("@Mine"));
    EXPECT_FALSE(Collection.LoadPredefined(1));
    Folder.Write("a.par", ParFile("QX440v*", "", "[5]\nUseFormat=@Mine\n"));
    EXPECT_EQ(Find("QX440v1")->FindByAddress(5)->FormatNorm(), 4.0);
}

} // namespace
