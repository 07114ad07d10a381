#include "registers/tkxxmlscannercls.h"

#include "registers/tkxcodepage.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

// Entity names are short; a ";" further away means the "&" starts no reference at all.
constexpr std::size_t KMaxReferenceLength = 40;
constexpr char32_t KMaxCodePoint = 0x10FFFF;

bool IsXmlBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Names are as lenient as the 8-bit text allows: every byte above 0x7F is a name character.
bool IsNameStart(char c) {
    return IsAsciiLetter(c) || c == '_' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
}

bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool IsUtf8Name(const std::string& upper) {
    return upper == "UTF-8" || upper == "UTF8";
}

// Labels read as Windows-1252 bytes unchanged. ISO-8859-1 and US-ASCII are read the same way,
// as browsers do: both agree with Windows-1252 on every printable character, and files that
// claim Latin-1 mostly hold Windows-1252 text.
bool IsAnsiName(const std::string& upper) {
    static const std::array<std::string_view, 9> names = {
        "WINDOWS-1252", "CP1252",      "ISO-8859-1", "ISO8859-1", "ISO_8859-1",
        "LATIN1",       "ISO-LATIN-1", "US-ASCII",   "ASCII"};
    return std::find(names.begin(), names.end(), upper) != names.end();
}

struct PredefinedEntity {
    std::string_view Name;
    char Value;
};

constexpr std::array<PredefinedEntity, 5> KPredefinedEntities = {
    {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"apos", '\''}, {"quot", '"'}}};

// The character of a numeric reference body such as "#65" or "#x41"; a blank when the number
// cannot be read, the replacement character when it has no 8-bit form.
char CharOfNumericReference(std::string_view body) {
    std::string_view digits = body.substr(1);
    int base = 10;
    if (!digits.empty() && (digits.front() == 'x' || digits.front() == 'X')) {
        base = 16;
        digits.remove_prefix(1);
    }
    if (digits.empty())
        return ' ';
    char32_t value = 0;
    for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return ' ';
        value = value * base + digit;
        if (value > KMaxCodePoint)
            return ' ';
    }
    return UnicodeToAnsiOrReplacement(value);
}

} // namespace

std::string TkxXmlError::Text() const {
    if (Line <= 0)
        return Message;
    return "line " + std::to_string(Line) + ", column " + std::to_string(Column) + ": " + Message;
}

bool TkxXmlScanner::SetDocument(std::string_view bytes) {
    FDeclaredEncoding.clear();
    FDoc.clear();
    Restart();
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
        return Fail(0, "UTF-16 text is not supported; save the file as UTF-8");
    const bool hadBom = bytes.starts_with("\xEF\xBB\xBF");
    if (hadBom)
        bytes.remove_prefix(3);
    FDoc.assign(bytes);
    if (StartsWith("<?xml") && !Next())
        return false;
    return DecodeEncoding(FDoc, hadBom);
}

bool TkxXmlScanner::DecodeEncoding(std::string_view bytes, bool hadBom) {
    const std::string upper = AsciiUpper(FDeclaredEncoding);
    if (upper.empty() || IsUtf8Name(upper)) {
        FDoc = Utf8ToAnsi(bytes);
    } else if (!IsAnsiName(upper)) {
        return Fail(0, "unsupported encoding \"" + FDeclaredEncoding +
                           "\" (UTF-8, ISO-8859-1 and Windows-1252 can be read)");
    } else if (hadBom) {
        return Fail(0, "the file starts with a UTF-8 byte order mark but declares the encoding \"" +
                           FDeclaredEncoding + "\"");
    }
    Restart();
    return true;
}

void TkxXmlScanner::Restart() {
    FPos = 0;
    FPartOffset = 0;
    FPartType = TkxXmlPart::None;
    FName.clear();
    FText.clear();
    FAttributes.clear();
    FError = TkxXmlError{};
}

bool TkxXmlScanner::Next() {
    if (FError.Failed())
        return false;
    FName.clear();
    FText.clear();
    FAttributes.clear();
    while (FPos < FDoc.size()) {
        FPartOffset = FPos;
        if (FDoc[FPos] == '<')
            return ScanMarkup();
        if (!ScanText())
            return false;
        if (!FText.empty()) {
            FPartType = TkxXmlPart::Text;
            return true;
        }
    }
    FPartType = TkxXmlPart::None;
    return false;
}

TkxXmlError TkxXmlScanner::ErrorAt(std::size_t offset, std::string message) const {
    TkxXmlError error;
    error.Message = std::move(message);
    error.Line = 1;
    std::size_t lineStart = 0;
    const std::size_t end = std::min(offset, FDoc.size());
    for (std::size_t i = 0; i < end; ++i) {
        const char c = FDoc[i];
        if (c == '\n' || (c == '\r' && (i + 1 >= FDoc.size() || FDoc[i + 1] != '\n'))) {
            ++error.Line;
            lineStart = i + 1;
        }
    }
    error.Column = static_cast<int>(offset - lineStart) + 1;
    return error;
}

bool TkxXmlScanner::Fail(std::size_t offset, std::string message) {
    FError = ErrorAt(offset, std::move(message));
    FPartType = TkxXmlPart::None;
    return false;
}

bool TkxXmlScanner::StartsWith(std::string_view prefix) const {
    return std::string_view(FDoc).substr(FPos).starts_with(prefix);
}

bool TkxXmlScanner::ScanMarkup() {
    if (StartsWith("<!--"))
        return ScanDelimited("<!--", "-->", TkxXmlPart::Comment, "comment");
    if (StartsWith("<![CDATA["))
        return ScanDelimited("<![CDATA[", "]]>", TkxXmlPart::CData, "CDATA section");
    if (StartsWith("<!DOCTYPE"))
        return ScanDocType();
    if (StartsWith("<!"))
        return Fail(FPos, "unknown markup declaration");
    if (StartsWith("<?"))
        return ScanProcessingInstruction();
    if (StartsWith("</"))
        return ScanEndTag();
    return ScanTag();
}

bool TkxXmlScanner::ScanText() {
    bool pendingBlank = false;
    auto emit = [&](char c) {
        if (pendingBlank)
            FText += ' ';
        pendingBlank = false;
        FText += c;
    };
    while (FPos < FDoc.size() && FDoc[FPos] != '<') {
        const char c = FDoc[FPos];
        if (IsXmlBlank(c)) {
            pendingBlank = !FText.empty();
            ++FPos;
        } else if (c == '&') {
            std::string replacement;
            if (!DecodeReference(replacement))
                return false;
            emit(replacement.front());
        } else {
            emit(c);
            ++FPos;
        }
    }
    return true;
}

bool TkxXmlScanner::ScanDelimited(std::string_view open, std::string_view close, TkxXmlPart type,
                                  const char* what) {
    const std::size_t end = FDoc.find(close, FPos + open.size());
    if (end == std::string::npos)
        return Fail(FPartOffset, std::string(what) + " is not closed");
    FText.assign(FDoc, FPos + open.size(), end - FPos - open.size());
    FPos = end + close.size();
    FPartType = type;
    return true;
}

bool TkxXmlScanner::ScanDocType() {
    char quote = 0;
    int subsetDepth = 0;
    for (std::size_t i = FPos + 9; i < FDoc.size(); ++i) {
        const char c = FDoc[i];
        if (quote != 0) {
            if (c == quote)
                quote = 0;
        } else if (subsetDepth > 0 && std::string_view(FDoc).substr(i).starts_with("<!--")) {
            const std::size_t end = FDoc.find("-->", i + 4);
            if (end == std::string::npos)
                break;
            i = end + 2;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            ++subsetDepth;
        } else if (c == ']' && subsetDepth > 0) {
            --subsetDepth;
        } else if (c == '>' && subsetDepth == 0) {
            FPos = i + 1;
            FPartType = TkxXmlPart::DocType;
            return true;
        }
    }
    return Fail(FPartOffset, "document type declaration is not closed");
}

bool TkxXmlScanner::ScanProcessingInstruction() {
    FPos += 2;
    if (!ScanName(FName))
        return Fail(FPos, "processing instruction without a target");
    if (FName == "xml" && FPartOffset == 0) {
        bool emptyTag = false;
        if (!ScanAttributes("?>", emptyTag))
            return false;
        for (const auto& [name, value] : FAttributes) {
            if (name == "encoding")
                FDeclaredEncoding = value;
        }
        FPartType = TkxXmlPart::Prolog;
        return true;
    }
    const std::size_t end = FDoc.find("?>", FPos);
    if (end == std::string::npos)
        return Fail(FPartOffset, "processing instruction is not closed");
    FText.assign(FDoc, FPos, end - FPos);
    FPos = end + 2;
    FPartType = TkxXmlPart::ProcessingInstruction;
    return true;
}

bool TkxXmlScanner::ScanTag() {
    ++FPos;
    if (!ScanName(FName))
        return Fail(FPartOffset, "'<' does not start a tag (write it as &lt; in text)");
    bool emptyTag = false;
    if (!ScanAttributes(">", emptyTag))
        return false;
    FPartType = emptyTag ? TkxXmlPart::EmptyTag : TkxXmlPart::StartTag;
    return true;
}

bool TkxXmlScanner::ScanEndTag() {
    FPos += 2;
    if (!ScanName(FName))
        return Fail(FPos, "end tag without a name");
    SkipBlanks();
    if (FPos >= FDoc.size())
        return Fail(FPartOffset, "end tag </" + FName + "> is not closed");
    if (FDoc[FPos] != '>')
        return Fail(FPos, "unexpected character in end tag </" + FName + ">");
    ++FPos;
    FPartType = TkxXmlPart::EndTag;
    return true;
}

bool TkxXmlScanner::ScanAttributes(std::string_view end, bool& emptyTag) {
    while (true) {
        SkipBlanks();
        if (FPos >= FDoc.size())
            return Fail(FPartOffset, "tag <" + FName + "> is not closed");
        if (end == ">" && StartsWith("/>")) {
            FPos += 2;
            emptyTag = true;
            return true;
        }
        if (StartsWith(end)) {
            FPos += end.size();
            emptyTag = false;
            return true;
        }
        const std::size_t nameOffset = FPos;
        std::string name;
        if (!ScanName(name))
            return Fail(FPos, "unexpected character in tag <" + FName + ">");
        SkipBlanks();
        if (FPos >= FDoc.size() || FDoc[FPos] != '=')
            return Fail(nameOffset, "attribute \"" + name + "\" has no value");
        ++FPos;
        SkipBlanks();
        std::string value;
        if (!ScanAttributeValue(value))
            return false;
        const auto sameName = [&](const TkxXmlAttribute& a) { return a.first == name; };
        if (std::any_of(FAttributes.begin(), FAttributes.end(), sameName))
            return Fail(nameOffset, "attribute \"" + name + "\" appears twice");
        FAttributes.emplace_back(std::move(name), std::move(value));
    }
}

bool TkxXmlScanner::ScanAttributeValue(std::string& value) {
    if (FPos >= FDoc.size() || (FDoc[FPos] != '"' && FDoc[FPos] != '\''))
        return Fail(FPos, "attribute value must be quoted");
    const char quote = FDoc[FPos];
    const std::size_t start = FPos++;
    while (FPos < FDoc.size() && FDoc[FPos] != quote) {
        const char c = FDoc[FPos];
        if (c == '<')
            return Fail(start, "attribute value is not closed before '<'");
        if (c == '&') {
            if (!DecodeReference(value))
                return false;
            continue;
        }
        value += IsXmlBlank(c) ? ' ' : c;
        ++FPos;
    }
    if (FPos >= FDoc.size())
        return Fail(start, "attribute value is not closed");
    ++FPos;
    return true;
}

bool TkxXmlScanner::ScanName(std::string& name) {
    if (FPos >= FDoc.size() || !IsNameStart(FDoc[FPos]))
        return false;
    const std::size_t start = FPos;
    while (FPos < FDoc.size() && IsNameChar(FDoc[FPos]))
        ++FPos;
    name.assign(FDoc, start, FPos - start);
    return true;
}

void TkxXmlScanner::SkipBlanks() {
    while (FPos < FDoc.size() && IsXmlBlank(FDoc[FPos]))
        ++FPos;
}

bool TkxXmlScanner::DecodeReference(std::string& out) {
    const std::size_t start = FPos;
    std::size_t end = start + 1;
    while (end < FDoc.size() && end - start <= KMaxReferenceLength && FDoc[end] != ';' &&
           (IsNameChar(FDoc[end]) || FDoc[end] == '#'))
        ++end;
    if (end >= FDoc.size() || FDoc[end] != ';' || end == start + 1)
        return Fail(start, "'&' does not start an entity reference (write it as &amp;)");
    const std::string_view body = std::string_view(FDoc).substr(start + 1, end - start - 1);
    FPos = end + 1;
    if (body.front() == '#') {
        out += CharOfNumericReference(body);
        return true;
    }
    for (const auto& entity : KPredefinedEntities) {
        if (entity.Name == body) {
            out += entity.Value;
            return true;
        }
    }
    return Fail(start, "unknown entity \"&" + std::string(body) + ";\"");
}
