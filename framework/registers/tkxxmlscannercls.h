#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The kinds of part an XML text is split into.
enum class TkxXmlPart : std::uint8_t {
    None,
    Prolog,
    Comment,
    ProcessingInstruction,
    DocType,
    CData,
    StartTag,
    EmptyTag,
    EndTag,
    Text,
};

using TkxXmlPartSet = std::uint16_t;
constexpr TkxXmlPartSet TkxXmlPartBit(TkxXmlPart part) {
    return static_cast<TkxXmlPartSet>(1u << static_cast<unsigned>(part));
}

using TkxXmlAttribute = std::pair<std::string, std::string>;

// Where and why reading an XML text failed; lines and columns count from 1 (0 when the failure
// has no place in the text, such as a file that cannot be read).
struct TkxXmlError {
    std::string Message;
    int Line = 0;
    int Column = 0;

    bool Failed() const { return !Message.empty(); }
    // "line L, column C: message", or the message alone when there is no place.
    std::string Text() const;
};

// Splits an XML text into its parts, one part per Next(). The text is first decoded from its
// declared encoding (UTF-8 when none is declared) into Windows-1252. Text and attribute values
// are delivered with the five predefined entities and character references replaced; text
// has its white space trimmed and inner runs reduced to one blank (white space written as a
// character reference is kept). A document type declaration is skipped whole: nothing in it
// is fetched, and the entities it declares are not expanded, so a reference to one is an
// error like any unknown entity.
class TkxXmlScanner {
public:
    // Takes a copy of the text and decodes it. False with Error() set when the declared
    // encoding is not one of UTF-8, ISO-8859-1, Windows-1252 or US-ASCII.
    bool SetDocument(std::string_view bytes);
    // Back to the first part, errors forgotten.
    void Restart();
    // Advances to the next part. False at the end of the text or on malformed XML; Error()
    // tells which, and after an error every further call is false.
    bool Next();

    TkxXmlPart PartType() const { return FPartType; }
    // The tag name of a tag part, the target of a processing instruction.
    const std::string& Name() const { return FName; }
    // The decoded text of a text part, the raw content of a comment or CDATA section.
    const std::string& Text() const { return FText; }
    std::vector<TkxXmlAttribute>& Attributes() { return FAttributes; }
    const std::vector<TkxXmlAttribute>& Attributes() const { return FAttributes; }
    // The encoding named by the prolog, as written; empty when none is declared.
    const std::string& DeclaredEncoding() const { return FDeclaredEncoding; }

    const TkxXmlError& Error() const { return FError; }
    // Offset of the current part in the decoded text, and its line and column.
    std::size_t PartOffset() const { return FPartOffset; }
    std::size_t Length() const { return FDoc.size(); }
    TkxXmlError ErrorAt(std::size_t offset, std::string message) const;

private:
    bool Fail(std::size_t offset, std::string message);
    bool StartsWith(std::string_view prefix) const;
    bool ScanMarkup();
    bool ScanText();
    bool ScanDelimited(std::string_view open, std::string_view close, TkxXmlPart type,
                       const char* what);
    bool ScanDocType();
    bool ScanProcessingInstruction();
    bool ScanTag();
    bool ScanEndTag();
    // Reads attributes up to end; only a tag (end ">") may also end in "/>".
    bool ScanAttributes(std::string_view end, bool& emptyTag);
    bool ScanAttributeValue(std::string& value);
    bool ScanName(std::string& name);
    void SkipBlanks();
    // Appends the replacement of the reference starting at FPos ("&"), advancing past it.
    bool DecodeReference(std::string& out);
    bool DecodeEncoding(std::string_view bytes, bool hadBom);

    std::string FDoc;
    std::size_t FPos = 0;
    std::size_t FPartOffset = 0;
    TkxXmlPart FPartType = TkxXmlPart::None;
    std::string FName;
    std::string FText;
    std::vector<TkxXmlAttribute> FAttributes;
    std::string FDeclaredEncoding;
    TkxXmlError FError;
};
