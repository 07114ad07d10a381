#include "registers/tkxxmlelementcls.h"
#include "registers/tkxxmlparsercmp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;

std::unique_ptr<TkxXmlElement> Element(std::string name, std::string_view content = "") {
    return std::make_unique<TkxXmlElement>(std::move(name), content);
}

TEST(TkxXmlElement, ConstructorSplitsContentAtEveryLineBreak) {
    TkxXmlElement element("a", "one\r\ntwo\nthree\rfour");
    EXPECT_EQ(element.Name(), "a");
    EXPECT_THAT(element.Content(), ElementsAre("one", "two", "three", "four"));
    EXPECT_TRUE(TkxXmlElement().Content().empty());
}

TEST(TkxXmlElement, AddContentJoinsPiecesOrStartsLines) {
    TkxXmlElement element;
    element.AddContent("  one  ", false);
    element.AddContent("two", false);
    EXPECT_THAT(element.Content(), ElementsAre("one two"));
    element.AddContent("three", true);
    EXPECT_THAT(element.Content(), ElementsAre("one two", "three"));
}

TEST(TkxXmlElement, ChildrenAreFoundByNameWithoutCaseAndDirectChildrenWin) {
    TkxXmlElement root("root", "");
    TkxXmlElement* first = root.AddChild(Element("first"));
    TkxXmlElement* deep = first->AddChild(Element("target", "deep"));
    TkxXmlElement* direct = root.AddChild(Element("TARGET", "direct"));
    EXPECT_EQ(root.FindChild("target", false), direct);
    EXPECT_EQ(root.FindChild("target", true), direct);
    EXPECT_EQ(first->FindChild("target", false), deep);
    EXPECT_EQ(root.FindChild("missing", true), nullptr);
    EXPECT_EQ(first->NextSibling(), direct);
    EXPECT_EQ(direct->NextSibling(), nullptr);
    EXPECT_EQ(first->FindSibling("target", false), direct);
    EXPECT_EQ(direct->FindSibling("first", true), nullptr);
    EXPECT_EQ(root.CountChildren("", false), 2);
    EXPECT_EQ(root.CountChildren("target", true), 2);
    EXPECT_EQ(root.CountChildren("target", false), 1);
}

TEST(TkxXmlElement, DetachUnlinksOnlyThatElementAndKeepsItsChildren) {
    TkxXmlElement root("root", "");
    TkxXmlElement* a = root.AddChild(Element("a"));
    a->AddChild(Element("a1"));
    TkxXmlElement* b = root.AddChild(Element("b"));
    std::unique_ptr<TkxXmlElement> detached = a->Detach();
    ASSERT_EQ(detached.get(), a);
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(a->NextSibling(), nullptr);
    EXPECT_EQ(a->ChildCount(), 1);
    EXPECT_EQ(root.FirstChild(), b);
    EXPECT_EQ(TkxXmlElement().Detach(), nullptr);
}

TEST(TkxXmlElement, NotificationsClimbToTheDocument) {
    TkxXmlParser parser;
    std::vector<std::string> seen;
    auto record = [&](std::string what) {
        return [&seen, what](TkxXmlElement* sender, TkxXmlElement* element) {
            seen.push_back(what + ":" + sender->Name() + ">" + element->Name());
        };
    };
    parser.OnAddChild = [&](TkxXmlParser*, TkxXmlElement* e) {
        seen.push_back("doc+" + e->Name());
    };
    parser.OnDelChild = [&](TkxXmlParser*, TkxXmlElement* e) {
        seen.push_back("doc-" + e->Name());
    };
    parser.OnChangeContent = [&](TkxXmlParser*, TkxXmlElement* e) {
        seen.push_back("doc~" + e->Name());
    };
    TkxXmlElement* root = parser.AddRoot(Element("root"));
    root->OnAddChild = record("add");
    root->OnDelChild = record("del");
    TkxXmlElement* a = root->AddChild(Element("a"));
    a->OnAddChild = record("add");
    root->AddChild(Element("b"));
    a->SetValue("", "k", "v");
    EXPECT_TRUE(a->IsInDocument());
    std::unique_ptr<TkxXmlElement> gone = a->Detach();
    EXPECT_EQ(a->Parser(), &parser);
    EXPECT_FALSE(a->IsInDocument());
    EXPECT_THAT(seen, ElementsAre("doc+root", "add:root>a", "doc+a", "add:a>b", "add:root>b",
                                  "doc+b", "doc~a", "del:root>a", "doc-a"));
    seen.clear();
    a->SetValue("", "k", "w");
    EXPECT_TRUE(seen.empty()) << "a detached element no longer reaches the document";
}

TEST(TkxXmlElement, ValuesAreReadFromKeyLines) {
    TkxXmlElement element("e", "Port=1\nname=COM1\nempty=\nflag= TRUE \nplain");
    EXPECT_EQ(element.GetValue("", "port", "x"), "1");
    EXPECT_EQ(element.GetValue("", "NAME", "x"), "COM1");
    EXPECT_EQ(element.GetValue("", "empty", "dflt"), "dflt");
    EXPECT_EQ(element.GetValue("", "plain", "dflt"), "dflt");
    EXPECT_EQ(element.GetValue("missing", "port", "dflt"), "dflt");
    EXPECT_TRUE(element.GetBool("", "flag", false));
}

TEST(TkxXmlElement, IntegersScanInEveryNotationAndRefuseTheRest) {
    TkxXmlElement element("e", "");
    auto intOf = [&](std::string_view text) {
        element.SetValue("", "n", text);
        return element.GetInt("", "n", -99);
    };
    EXPECT_EQ(intOf("0x1F"), 31);
    EXPECT_EQ(intOf("1Fh"), 31);
    EXPECT_EQ(intOf("12"), 12);
    EXPECT_EQ(intOf("-12"), -12);
    EXPECT_EQ(intOf("12abc"), 12);
    EXPECT_EQ(intOf("abc"), -99);
    EXPECT_EQ(intOf("0x"), -99);
    EXPECT_EQ(intOf("0xFFFFFFFF"), -1);
    EXPECT_EQ(intOf("2147483647"), 2147483647);
    EXPECT_EQ(intOf("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(intOf("2147483648"), -99);
    EXPECT_EQ(intOf("0x100000000"), -99);
    EXPECT_EQ(intOf("99999999999999999999"), -99);
}

TEST(TkxXmlElement, BooleansAcceptWordsAndNumbers) {
    TkxXmlElement element("e", "");
    auto boolOf = [&](std::string_view text, bool dflt) {
        element.SetValue("", "b", text);
        return element.GetBool("", "b", dflt);
    };
    EXPECT_TRUE(boolOf(" TRUE ", false));
    EXPECT_FALSE(boolOf("False", true));
    EXPECT_TRUE(boolOf("2", false));
    EXPECT_FALSE(boolOf("0", true));
    EXPECT_TRUE(boolOf("yes", true));
    EXPECT_FALSE(boolOf("yes", false));
}

TEST(TkxXmlElement, SetValueReplacesAppendsRemovesAndCreatesTheChild) {
    TkxXmlElement element("e", "Port=1\nName=a");
    element.SetValue("", "PORT", "2");
    element.SetValue("", "Baud", "19200");
    EXPECT_THAT(element.Content(), ElementsAre("PORT=2", "Name=a", "Baud=19200"));
    element.SetValue("", "Port", "");
    EXPECT_THAT(element.Content(), ElementsAre("Name=a", "Baud=19200"));

    element.SetInt("setup", "retries", -3);
    TkxXmlElement* setup = element.FindChild("setup", false);
    ASSERT_NE(setup, nullptr);
    EXPECT_THAT(setup->Content(), ElementsAre("retries=-3"));
    element.SetBool("setup", "enabled", true);
    EXPECT_THAT(setup->Content(), ElementsAre("retries=-3", "enabled=true"));
    EXPECT_EQ(element.GetInt("setup", "retries", 0), -3);

    element.SetValue("other", "key", "");
    EXPECT_EQ(element.FindChild("other", false), nullptr) << "nothing to store, nothing created";
}

TEST(TkxXmlElement, ContentDoneAnalyzesThenNotifies) {
    struct Analyzing : TkxXmlElement {
        std::vector<std::string>* Log = nullptr;
        void AnalyzeContent() override { Log->push_back("analyze"); }
    };
    std::vector<std::string> log;
    Analyzing element;
    element.Log = &log;
    element.OnContentAnalyzed = [&](TkxXmlElement*, TkxXmlElement*) { log.push_back("event"); };
    element.ContentDone();
    EXPECT_THAT(log, ElementsAre("analyze", "event"));
}

} // namespace
