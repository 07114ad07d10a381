#pragma once

#include "base/tkxobject.h"
#include "registers/tkxxmlelementcls.h"
#include "registers/tkxxmlscannercls.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// An XML document: reads a file into a tree of TkxXmlElement and writes the tree back as
// indented UTF-8 text. Derived documents choose the element classes (AllocXmlElement).
//
// Reading is all or nothing: the whole text is checked first (syntax, references, encoding,
// nesting depth, every element closed), and only a text that passes replaces the tree. A text
// that fails leaves the document as it was, and LastError() tells where and why.
class TkxXmlParser : public TkxObject {
public:
    using Event = std::function<void(TkxXmlParser* sender, TkxXmlElement* element)>;
    // The current date-time as a day number (see TkxFormat).
    using Clock = std::function<double()>;

    // Deeper nesting is refused, so that a hostile file cannot exhaust the stack.
    static constexpr int KMaxDepth = 256;
    // Larger files are refused before they are read.
    static constexpr std::size_t KMaxFileSize = 64u * 1024u * 1024u;

    TkxXmlParser();
    ~TkxXmlParser() override;

    TkxXmlParser(const TkxXmlParser&) = delete;
    TkxXmlParser& operator=(const TkxXmlParser&) = delete;

    TkxXmlElement* Root() const { return FRoot.get(); }

    // False, with LastError() set and the document unchanged, when the file cannot be read or
    // does not parse.
    bool LoadFromFile(const std::string& fileName);
    bool LoadFromText(std::string_view bytes);
    const TkxXmlError& LastError() const { return FLastError; }

    // The document as written to a file, lines ended by CR LF.
    std::string GetXmlText() const;
    // Writes GetXmlText() with a final CR LF through a temporary file, so that a failed write
    // leaves the old file in place. Throws ETkxError when the file cannot be written.
    void SaveToFile(const std::string& fileName) const;

    // Makes element the root when there is none yet and returns it; otherwise, or for null,
    // nothing changes, the element is dropped and the result is null.
    TkxXmlElement* AddRoot(std::unique_ptr<TkxXmlElement> element);
    // Destroys the tree.
    void ResetAll();
    // The root when it is named name (exact comparison), else the first element named name
    // below it; then, when subName is neither empty nor name, that element's child subName.
    TkxXmlElement* SearchSubTree(std::string_view name, std::string_view subName) const;

    // The time written into the header comment; the system clock unless replaced.
    void SetClock(Clock clock) { FClock = std::move(clock); }

    // Document-level notifications, reached by every element notification of the tree.
    virtual void PerformOnAddChild(TkxXmlElement* element);
    virtual void PerformOnDelChild(TkxXmlElement* element);
    virtual void PerformOnChangeContent(TkxXmlElement* element);
    virtual void PerformOnContentAnalyzed(TkxXmlElement* element);

    Event OnAddChild;
    Event OnDelChild;
    Event OnChangeContent;
    Event OnContentAnalyzed;

protected:
    // The element for the start tag being read under parent (null for the root); ScannedName()
    // is its tag name. Returning null skips the element with its whole subtree.
    virtual std::unique_ptr<TkxXmlElement> AllocXmlElement(TkxXmlElement* parent);
    const std::string& ScannedName() const { return FScanner->Name(); }

private:
    bool CheckStructure();
    void ExecuteScan();
    void ScanForNextTag(TkxXmlElement* parent);
    bool LookForPartType(TkxXmlPartSet types);
    void SkipSubTree();
    void AllocEmptyRoot();
    TkxXmlElement* AllocElement(TkxXmlElement* parent);
    void WriteElement(const TkxXmlElement& element, int level, std::string& out) const;

    std::unique_ptr<TkxXmlElement> FRoot;
    std::unique_ptr<TkxXmlScanner> FScanner;
    TkxXmlError FLastError;
    Clock FClock;
};
