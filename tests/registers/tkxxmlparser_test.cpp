#include "base/tkxerror.h"
#include "registers/tkxformatcls.h"
#include "registers/tkxxmlparsercmp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// The written text after its three header lines.
std::string Body(const TkxXmlParser& parser) {
    const std::string text = parser.GetXmlText();
    std::size_t pos = 0;
    for (int i = 0; i < 3; ++i)
        pos = text.find("\r\n", pos) + 2;
    return text.substr(pos);
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class TkxXmlParserTest : public ::testing::Test {
protected:
    void SetUp() override {
        parser.SetClock([] { return 0.0; });
    }

    TkxXmlElement& Load(std::string_view text) {
        EXPECT_TRUE(parser.LoadFromText(text)) << parser.LastError().Text();
        EXPECT_NE(parser.Root(), nullptr);
        return *parser.Root();
    }

    TkxXmlParser parser;
};

TEST_F(TkxXmlParserTest, AnEmptyTagBecomesTheRootWithItsAttributes) {
    TkxXmlElement& root = Load("<a x=\"1\"/>");
    EXPECT_EQ(root.Name(), "a");
    ASSERT_EQ(root.Attributes().size(), 1u);
    EXPECT_EQ(root.Attributes()[0], (TkxXmlAttribute{"x", "1"}));
    EXPECT_TRUE(root.Content().empty());
    EXPECT_EQ(Body(parser), "\r\n<a x=\"1\"/>");
}

TEST_F(TkxXmlParserTest, TextPiecesJoinAndBreaksStartNewLines) {
    EXPECT_THAT(Load("<a> one <b/> two </a>").Content(), ElementsAre("one two"));
    EXPECT_EQ(parser.Root()->ChildCount(), 0) << "empty tags other than br create nothing";
    EXPECT_THAT(Load("<a>one<br/>two<BR/>three</a>").Content(), ElementsAre("one", "two", "three"));
    EXPECT_THAT(Load("<a>\r\n  x \t  y\r\n</a>").Content(), ElementsAre("x y"));
}

TEST_F(TkxXmlParserTest, OnlyElementsWithAStartTagBecomeChildren) {
    TkxXmlElement& root = Load("<a><b/><c>x</c></a>");
    ASSERT_EQ(root.ChildCount(), 1);
    EXPECT_EQ(root.Child(0)->Name(), "c");
    EXPECT_THAT(root.Child(0)->Content(), ElementsAre("x"));
}

TEST_F(TkxXmlParserTest, OnlyTheFirstTopLevelElementBecomesTheRoot) {
    TkxXmlElement& root = Load("<first>1</first>text outside<second><x/></second>");
    EXPECT_EQ(root.Name(), "first");
    EXPECT_EQ(root.ChildCount(), 0);
}

TEST_F(TkxXmlParserTest, ReferencesAreReplacedInTextAndAttributes) {
    TkxXmlElement& root = Load("<a v='&lt;&gt;&amp;&apos;&quot;' w=\"a\tb\nc\" r=\"&#9;\">"
                               "&#65;&#x42;&#X43; &#xZZ; &#8364; &#8734; &lt;b&gt;</a>");
    EXPECT_EQ(root.Attributes()[0].second, "<>&'\"");
    EXPECT_EQ(root.Attributes()[1].second, "a b c");
    EXPECT_EQ(root.Attributes()[2].second, "\t");
    EXPECT_THAT(root.Content(), ElementsAre("ABC   \x80 \xBF <b>"));
}

TEST_F(TkxXmlParserTest, MarkupThatIsNotATreeCreatesNothing) {
    TkxXmlElement& root = Load("<?xml version=\"1.0\"?>\n<!DOCTYPE a [<!ENTITY e \"]>\"> "
                               "<!-- ] > --> ]>\n<!-- c --><?pi data?><a><![CDATA[<x>]]>t</a>");
    EXPECT_EQ(root.Name(), "a");
    EXPECT_THAT(root.Content(), ElementsAre("t"));
}

TEST_F(TkxXmlParserTest, AnUnmatchedEndTagClosesTheCurrentElement) {
    TkxXmlElement& root = Load("</stray><a><b>x</c>y</a>");
    ASSERT_EQ(root.ChildCount(), 1);
    EXPECT_THAT(root.Content(), ElementsAre("y"));
}

TEST_F(TkxXmlParserTest, DeclaredEncodingsAreDecoded) {
    EXPECT_EQ(Load("<a n=\"\xC3\xA9\xE2\x82\xAC\">\xC3\xBC</a>").Attributes()[0].second,
              "\xE9\x80");
    EXPECT_THAT(parser.Root()->Content(), ElementsAre("\xFC"));
    EXPECT_THAT(Load("\xEF\xBB\xBF<?xml version='1.0' encoding='utf-8'?><a>\xC3\xA9</a>").Content(),
                ElementsAre("\xE9"));
    EXPECT_THAT(Load("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9\x80</a>").Content(),
                ElementsAre("\xE9\x80"));
    EXPECT_THAT(Load("<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\x80</a>").Content(),
                ElementsAre("\x80"));
}

TEST_F(TkxXmlParserTest, ElementsAreWrittenIndentedWithBreaksBetweenLines) {
    auto root = std::make_unique<TkxXmlElement>("modbus_network", "");
    root->AddChild(std::make_unique<TkxXmlElement>("modbus_connection", "Name=COM1\nPort=1"));
    parser.AddRoot(std::move(root));
    EXPECT_EQ(Body(parser), "\r\n<modbus_network>"
                            "\r\n   <modbus_connection>"
                            "\r\n      Name=COM1<br/>"
                            "\r\n      Port=1"
                            "\r\n   </modbus_connection>"
                            "\r\n</modbus_network>");
    double date = 0;
    double time = 0;
    ASSERT_TRUE(TkxFormat::TryEncodeDate(2026, 12, 8, date));
    ASSERT_TRUE(TkxFormat::TryEncodeTime(14, 5, 9, 0, time));
    parser.SetClock([&] { return date + time; });
    EXPECT_THAT(parser.GetXmlText(),
                StartsWith("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                           "<!-- XML file by TkxXmlParser - 08/12/2026 14:05:09 -->\r\n<!-- "));
}

TEST_F(TkxXmlParserTest, AnEmptyDocumentIsWrittenAsAComment) {
    EXPECT_EQ(Body(parser), "<!-- empty -->");
    EXPECT_TRUE(parser.LoadFromText(parser.GetXmlText()));
    EXPECT_EQ(parser.Root(), nullptr);
}

TEST_F(TkxXmlParserTest, AddRootKeepsTheFirstRoot) {
    TkxXmlElement* first = parser.AddRoot(std::make_unique<TkxXmlElement>("a", ""));
    EXPECT_EQ(parser.AddRoot(std::make_unique<TkxXmlElement>("b", "")), nullptr);
    EXPECT_EQ(parser.AddRoot(nullptr), nullptr);
    EXPECT_EQ(parser.Root(), first);
    EXPECT_EQ(first->Parser(), &parser);
}

TEST_F(TkxXmlParserTest, SearchSubTreeFindsTheNamedElementAndItsChild) {
    Load("<modbus_network><x><modbus_connection><setup>a=1</setup></modbus_connection></x>"
         "</modbus_network>");
    EXPECT_EQ(parser.SearchSubTree("modbus_network", ""), parser.Root());
    TkxXmlElement* connection = parser.SearchSubTree("modbus_connection", "");
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(parser.SearchSubTree("modbus_connection", "setup"), connection->FirstChild());
    EXPECT_EQ(parser.SearchSubTree("modbus_connection", "nothing"), nullptr);
    EXPECT_EQ(parser.SearchSubTree("missing", "setup"), nullptr);
}

// A derived document that picks its element classes and skips "skip" elements entirely.
class CountingDocument : public TkxXmlParser {
public:
    struct Setting : TkxXmlElement {
        int Analyzed = 0;
        void AnalyzeContent() override { ++Analyzed; }
    };
    int Allocated = 0;

protected:
    std::unique_ptr<TkxXmlElement> AllocXmlElement(TkxXmlElement*) override {
        ++Allocated;
        if (ScannedName() == "skip")
            return nullptr;
        if (ScannedName() == "setting")
            return std::make_unique<Setting>();
        return std::make_unique<TkxXmlElement>();
    }
};

TEST(TkxXmlParserAlloc, RefusedElementsAreSkippedWithTheirWholeSubtree) {
    CountingDocument document;
    ASSERT_TRUE(document.LoadFromText(
        "<root><skip><skip>inner</skip>still skipped<a/></skip><setting>v=1</setting></root>"));
    TkxXmlElement* root = document.Root();
    ASSERT_EQ(root->ChildCount(), 1);
    auto* setting = dynamic_cast<CountingDocument::Setting*>(root->Child(0));
    ASSERT_NE(setting, nullptr);
    EXPECT_EQ(setting->Analyzed, 1);
    EXPECT_EQ(setting->GetValue("", "v", ""), "1");
    EXPECT_TRUE(root->Content().empty()) << "text of a skipped element must not leak out";
    EXPECT_EQ(document.Allocated, 3);
}

TEST_F(TkxXmlParserTest, ALayoutIsWrittenReadAndWrittenAgainByteIdentically) {
    auto network = std::make_unique<TkxXmlElement>("modbus_network", "");
    TkxXmlElement* connection =
        network->AddChild(std::make_unique<TkxXmlElement>("modbus_connection", ""));
    connection->Attributes() = {{"id", "K\xF6ln & \"Br\xFC\x63ke\" <1>"}, {"tab", "a\tb"}};
    connection->SetValue("setup", "threadname", "Stra\xDF\x65 \x80 5");
    connection->SetValue("setup", "hostname", "a  b   c");
    connection->SetValue("setup", "comment", "x<y && z>w");
    connection->SetValue("setup", "control", std::string("bell\x07!"));
    TkxXmlElement* device = connection->AddChild(std::make_unique<TkxXmlElement>("device", ""));
    device->SetValue("setup", "devicename", "Antrieb \xC4\xD6\xDC");
    device->SetValue("setup", "deviceaddr", "7");
    network->AddChild(std::make_unique<TkxXmlElement>("device_\xE9", "one\ntwo\nthree"));
    parser.AddRoot(std::move(network));

    const auto dir = std::filesystem::temp_directory_path() / "tkx_xml_roundtrip";
    std::filesystem::create_directories(dir);
    const auto first = dir / "first.xml";
    const auto second = dir / "second.xml";
    parser.SaveToFile(first.string());

    TkxXmlParser reread;
    reread.SetClock([] { return 0.0; });
    ASSERT_TRUE(reread.LoadFromFile(first.string())) << reread.LastError().Text();
    reread.SaveToFile(second.string());
    const std::string bytes = ReadBytes(first);
    EXPECT_EQ(bytes, ReadBytes(second));
    EXPECT_THAT(bytes, HasSubstr("Stra\xC3\x9F"
                                 "e \xE2\x82\xAC 5"));
    EXPECT_THAT(bytes, HasSubstr("-->\r\n\r\n<modbus_network>"));
    EXPECT_THAT(bytes, testing::EndsWith("</modbus_network>\r\n"));

    TkxXmlElement* setup = reread.SearchSubTree("modbus_connection", "setup");
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(setup->GetValue("", "hostname", ""), "a  b   c");
    EXPECT_EQ(setup->GetValue("", "control", ""), "bell\x07!");
    EXPECT_EQ(reread.Root()->Child(0)->Attributes()[0].second, "K\xF6ln & \"Br\xFC\x63ke\" <1>");
    EXPECT_EQ(reread.Root()->Child(0)->Attributes()[1].second, "a\tb");
    EXPECT_THAT(reread.Root()->Child(1)->Content(), ElementsAre("one", "two", "three"));
    std::filesystem::remove_all(dir);
}

// Hostile or broken input: the load fails with a place, and the document keeps its old tree.
class TkxXmlParserRefuses : public TkxXmlParserTest {
protected:
    void SetUp() override {
        TkxXmlParserTest::SetUp();
        Load("<kept>old</kept>");
    }

    TkxXmlError Refused(std::string_view text) {
        EXPECT_FALSE(parser.LoadFromText(text)) << text;
        EXPECT_NE(parser.Root(), nullptr);
        if (parser.Root() != nullptr) {
            EXPECT_EQ(parser.Root()->Name(), "kept");
            EXPECT_THAT(parser.Root()->Content(), ElementsAre("old"));
        }
        EXPECT_TRUE(parser.LastError().Failed());
        return parser.LastError();
    }
};

TEST_F(TkxXmlParserRefuses, ATruncatedFileNamesTheOpenElement) {
    const TkxXmlError error = Refused("<a>\n  <b>x</b>\n  <c>");
    EXPECT_THAT(error.Message, HasSubstr("<c>"));
    EXPECT_EQ(error.Line, 3);
    EXPECT_EQ(error.Column, 6);
    EXPECT_THAT(error.Text(), StartsWith("line 3, column 6: "));
    EXPECT_EQ(Refused("<a><b x=\"1").Column, 9);
    EXPECT_EQ(Refused("<a><!-- never ends").Column, 4);
    Refused("<a><![CDATA[ never ends");
    Refused("<a x='1'");
    Refused("<a></a");
    Refused("<?xml version=\"1.0\"");
    Refused("<!DOCTYPE a [ <!ENTITY x 'y'> <a/>");
}

TEST_F(TkxXmlParserRefuses, UnknownEntitiesAreNeverExpanded) {
    const TkxXmlError error = Refused("<!DOCTYPE a [<!ENTITY lol \"lol\">]>\n<a>&lol;</a>");
    EXPECT_THAT(error.Message, HasSubstr("&lol;"));
    EXPECT_EQ(error.Line, 2);
    EXPECT_EQ(error.Column, 4);
    Refused("<!DOCTYPE a SYSTEM \"file:///etc/passwd\"><a>&xxe;</a>");
    Refused("<a v=\"&nbsp;\"/>");
    Refused("<a>fish & chips</a>");
    Refused("<a>&amp</a>");
}

TEST_F(TkxXmlParserRefuses, NestingIsBounded) {
    std::string bomb;
    for (int i = 0; i < 100000; ++i)
        bomb += "<a>";
    const TkxXmlError error = Refused(bomb);
    EXPECT_THAT(error.Message, HasSubstr("256"));
    EXPECT_EQ(error.Column, 3 * TkxXmlParser::KMaxDepth + 1);

    std::string deepest;
    for (int i = 0; i < TkxXmlParser::KMaxDepth; ++i)
        deepest += "<a>";
    for (int i = 0; i < TkxXmlParser::KMaxDepth; ++i)
        deepest += "</a>";
    EXPECT_TRUE(parser.LoadFromText(deepest));
}

TEST_F(TkxXmlParserRefuses, UnsupportedEncodingsAreNamed) {
    EXPECT_THAT(Refused("<?xml version=\"1.0\" encoding=\"EBCDIC-US\"?><a/>").Message,
                HasSubstr("EBCDIC-US"));
    Refused("\xFF\xFE<\0a\0/\0>\0");
    Refused("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>");
}

TEST_F(TkxXmlParserRefuses, MalformedTagsAndAttributes) {
    Refused("<a><1/></a>");
    Refused("<a b></a>");
    Refused("<a b=c></a>");
    Refused("<a b='1' b='2'></a>");
    Refused("<a b='1'c></a>");
    Refused("<a>x < y</a>");
    Refused("<a></ a>");
    Refused("<a><!ELEMENT x></a>");
}

TEST(TkxXmlParserFiles, AMissingFileLeavesTheDocumentAsItWas) {
    TkxXmlParser parser;
    ASSERT_TRUE(parser.LoadFromText("<kept/>"));
    EXPECT_FALSE(parser.LoadFromFile("/nonexistent/dir/layout.xml"));
    EXPECT_THAT(parser.LastError().Message, HasSubstr("layout.xml"));
    EXPECT_EQ(parser.LastError().Line, 0);
    ASSERT_NE(parser.Root(), nullptr);
    EXPECT_EQ(parser.Root()->Name(), "kept");
    EXPECT_FALSE(parser.LoadFromFile(std::filesystem::temp_directory_path().string()));
    EXPECT_THROW(parser.SaveToFile("/nonexistent/dir/layout.xml"), ETkxError);
}

} // namespace
