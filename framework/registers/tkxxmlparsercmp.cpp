#include "registers/tkxxmlparsercmp.h"

#include "base/tkxerror.h"
#include "registers/tkxcodepage.h"
#include "registers/tkxformatcls.h"
#include "registers/tkxtextresourcecls.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace {

constexpr TkxXmlPartSet KTreeParts =
    TkxXmlPartBit(TkxXmlPart::StartTag) | TkxXmlPartBit(TkxXmlPart::EmptyTag) |
    TkxXmlPartBit(TkxXmlPart::EndTag) | TkxXmlPartBit(TkxXmlPart::Text);

std::string Indent(int level) {
    return std::string(static_cast<std::size_t>(level) * 3, ' ');
}

void AppendCharReference(char c, std::string& out) {
    out += "&#";
    out += std::to_string(static_cast<unsigned char>(c));
    out += ';';
}

// Characters the reader would drop or turn into blanks are written as character references:
// control characters always, and a blank at either end of the line or after another blank,
// because the reader trims text and reduces runs of literal white space to one blank.
std::string EscapeText(std::string_view line) {
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        const bool protectedBlank =
            c == ' ' && (i == 0 || i + 1 == line.size() || line[i - 1] == ' ');
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (static_cast<unsigned char>(c) < 0x20 || protectedBlank)
            AppendCharReference(c, out);
        else
            out += AnsiToUtf8(std::string_view(&c, 1));
    }
    return out;
}

std::string EscapeAttribute(std::string_view value) {
    std::string out;
    for (const char c : value) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '"')
            out += "&quot;";
        else if (static_cast<unsigned char>(c) < 0x20)
            AppendCharReference(c, out);
        else
            out += AnsiToUtf8(std::string_view(&c, 1));
    }
    return out;
}

} // namespace

TkxXmlParser::TkxXmlParser()
    : FScanner(std::make_unique<TkxXmlScanner>())
    , FClock(&TkxFormat::Now) {}

TkxXmlParser::~TkxXmlParser() {
    ResetAll();
}

bool TkxXmlParser::LoadFromFile(const std::string& fileName) {
    std::error_code error;
    const auto size = std::filesystem::file_size(fileName, error);
    if (!error && size > KMaxFileSize) {
        FLastError = TkxXmlError{"\"" + fileName + "\" is larger than 64 MiB", 0, 0};
        return false;
    }
    std::ifstream file(fileName, std::ios::binary);
    std::string bytes;
    if (file && !error) {
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    if (!file || error) {
        FLastError = TkxXmlError{"cannot read \"" + fileName + "\"", 0, 0};
        return false;
    }
    return LoadFromText(bytes);
}

bool TkxXmlParser::LoadFromText(std::string_view bytes) {
    if (!FScanner->SetDocument(bytes)) {
        FLastError = FScanner->Error();
        return false;
    }
    if (!CheckStructure())
        return false;
    FLastError = TkxXmlError{};
    ResetAll();
    ExecuteScan();
    return true;
}

bool TkxXmlParser::CheckStructure() {
    struct OpenElement {
        std::string Name;
        std::size_t Offset;
    };
    std::vector<OpenElement> open;
    while (FScanner->Next()) {
        const TkxXmlPart part = FScanner->PartType();
        if (part == TkxXmlPart::StartTag) {
            if (static_cast<int>(open.size()) >= KMaxDepth) {
                FLastError = FScanner->ErrorAt(FScanner->PartOffset(),
                                               "elements are nested deeper than " +
                                                   std::to_string(KMaxDepth) + " levels");
                return false;
            }
            open.push_back({FScanner->Name(), FScanner->PartOffset()});
        } else if (part == TkxXmlPart::EndTag && !open.empty()) {
            open.pop_back();
        }
    }
    if (FScanner->Error().Failed()) {
        FLastError = FScanner->Error();
        return false;
    }
    if (!open.empty()) {
        const TkxXmlError opened = FScanner->ErrorAt(open.back().Offset, "");
        FLastError = FScanner->ErrorAt(FScanner->Length(),
                                       "the text ends inside the element <" + open.back().Name +
                                           "> opened at line " + std::to_string(opened.Line) +
                                           ", column " + std::to_string(opened.Column));
        return false;
    }
    return true;
}

void TkxXmlParser::ExecuteScan() {
    FScanner->Restart();
    ScanForNextTag(nullptr);
}

bool TkxXmlParser::LookForPartType(TkxXmlPartSet types) {
    while (FScanner->Next()) {
        if ((types & TkxXmlPartBit(FScanner->PartType())) != 0)
            return true;
    }
    return false;
}

void TkxXmlParser::ScanForNextTag(TkxXmlElement* parent) {
    bool lineBreak = false;
    while (LookForPartType(KTreeParts)) {
        switch (FScanner->PartType()) {
        case TkxXmlPart::StartTag: {
            // Only the first top-level element becomes the root; later ones are passed over.
            TkxXmlElement* element = (parent == nullptr && FRoot) ? nullptr : AllocElement(parent);
            if (element != nullptr)
                ScanForNextTag(element);
            else
                SkipSubTree();
            break;
        }
        case TkxXmlPart::EmptyTag:
            // Inside an element an empty tag only marks a line break ("br"), but a document
            // may consist of one empty root element.
            if (parent != nullptr)
                lineBreak = lineBreak || AnsiSameText(FScanner->Name(), "br");
            else if (!FRoot)
                AllocEmptyRoot();
            break;
        case TkxXmlPart::EndTag:
            if (parent != nullptr) {
                parent->ContentDone();
                return;
            }
            break;
        case TkxXmlPart::Text:
            if (parent != nullptr) {
                parent->AddContent(FScanner->Text(), lineBreak);
                lineBreak = false;
            }
            break;
        default:
            break;
        }
    }
}

// Skips the rest of the element whose start tag was just read, nested elements included.
void TkxXmlParser::SkipSubTree() {
    int depth = 1;
    while (depth > 0 && FScanner->Next()) {
        if (FScanner->PartType() == TkxXmlPart::StartTag)
            ++depth;
        else if (FScanner->PartType() == TkxXmlPart::EndTag)
            --depth;
    }
}

void TkxXmlParser::AllocEmptyRoot() {
    if (TkxXmlElement* element = AllocElement(nullptr))
        element->ContentDone();
}

std::unique_ptr<TkxXmlElement> TkxXmlParser::AllocXmlElement(TkxXmlElement* /*parent*/) {
    return std::make_unique<TkxXmlElement>();
}

TkxXmlElement* TkxXmlParser::AllocElement(TkxXmlElement* parent) {
    std::unique_ptr<TkxXmlElement> element = AllocXmlElement(parent);
    if (!element)
        return nullptr;
    element->SetName(FScanner->Name());
    element->Attributes() = std::move(FScanner->Attributes());
    if (parent != nullptr)
        return parent->AddChild(std::move(element));
    return AddRoot(std::move(element));
}

TkxXmlElement* TkxXmlParser::AddRoot(std::unique_ptr<TkxXmlElement> element) {
    if (!element || FRoot)
        return nullptr;
    FRoot = std::move(element);
    FRoot->FParent = nullptr;
    FRoot->SetParserDeep(this);
    FRoot->Notify(TkxXmlElement::Notification::AddChild, FRoot.get());
    return FRoot.get();
}

void TkxXmlParser::ResetAll() {
    // Root() is already null while the old tree is destroyed.
    std::unique_ptr<TkxXmlElement> old = std::move(FRoot);
    old.reset();
}

TkxXmlElement* TkxXmlParser::SearchSubTree(std::string_view name, std::string_view subName) const {
    if (!FRoot)
        return nullptr;
    TkxXmlElement* element = FRoot->Name() == name ? FRoot.get() : FRoot->FindChild(name, true);
    if (element != nullptr && !subName.empty() && subName != name)
        element = element->FindChild(subName, false);
    return element;
}

std::string TkxXmlParser::GetXmlText() const {
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";
    out += "<!-- XML file by TkxXmlParser - " +
           TkxFormat::FormatDateTime("dd/mm/yyyy hh:nn:ss", FClock()) + " -->\r\n";
    out += "<!-- QX DRIVE configuration terminal, Tkx framework -->\r\n";
    if (!FRoot)
        out += "<!-- empty -->";
    else
        WriteElement(*FRoot, 0, out);
    return out;
}

void TkxXmlParser::WriteElement(const TkxXmlElement& element, int level, std::string& out) const {
    const std::string indent = Indent(level);
    out += "\r\n" + indent + "<" + AnsiToUtf8(element.Name());
    for (const auto& [name, value] : element.Attributes()) {
        if (!name.empty())
            out += " " + AnsiToUtf8(name) + "=\"" + EscapeAttribute(value) + "\"";
    }
    if (element.Content().empty() && element.ChildCount() == 0) {
        out += "/>";
        return;
    }
    out += ">";
    const std::string innerIndent = Indent(level + 1);
    const auto& lines = element.Content();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out += "\r\n" + innerIndent + EscapeText(lines[i]);
        if (i + 1 < lines.size())
            out += "<br/>";
    }
    for (int i = 0; i < element.ChildCount(); ++i)
        WriteElement(*element.Child(i), level + 1, out);
    out += "\r\n" + indent + "</" + AnsiToUtf8(element.Name()) + ">";
}

void TkxXmlParser::SaveToFile(const std::string& fileName) const {
    const std::string text = GetXmlText() + "\r\n";
    const std::string tempName = fileName + ".tmp";
    {
        std::ofstream file(tempName, std::ios::binary | std::ios::trunc);
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
        file.close();
        if (!file) {
            std::error_code ignored;
            std::filesystem::remove(tempName, ignored);
            throw ETkxError("Cannot write file \"" + fileName + "\"");
        }
    }
    std::error_code error;
    std::filesystem::rename(tempName, fileName, error);
    if (error) {
        std::filesystem::remove(tempName, error);
        throw ETkxError("Cannot write file \"" + fileName + "\"");
    }
}

void TkxXmlParser::PerformOnAddChild(TkxXmlElement* element) {
    if (OnAddChild)
        OnAddChild(this, element);
}

void TkxXmlParser::PerformOnDelChild(TkxXmlElement* element) {
    if (OnDelChild)
        OnDelChild(this, element);
}

void TkxXmlParser::PerformOnChangeContent(TkxXmlElement* element) {
    if (OnChangeContent)
        OnChangeContent(this, element);
}

void TkxXmlParser::PerformOnContentAnalyzed(TkxXmlElement* element) {
    if (OnContentAnalyzed)
        OnContentAnalyzed(this, element);
}
