#pragma once

#include "base/tkxobject.h"
#include "registers/tkxxmlscannercls.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TkxXmlParser;

// One element of an XML document: a name, attributes in file order, text content as a list of
// lines and an ordered list of owned children. Persistent framework objects derive from it
// and keep their settings as "key=value" content lines of a child element (GetValue/SetValue).
//
// Every change to the tree or to the content is notified: the element fires its own event,
// then passes the notification to its parent, and so on up to the root, which hands it to the
// document's PerformOn... operations.
class TkxXmlElement : public TkxObject {
public:
    using Event = std::function<void(TkxXmlElement* sender, TkxXmlElement* element)>;

    TkxXmlElement();
    // The content text is split into lines at CR LF, LF or CR.
    TkxXmlElement(std::string name, std::string_view contentText);
    ~TkxXmlElement() override;

    TkxXmlElement(const TkxXmlElement&) = delete;
    TkxXmlElement& operator=(const TkxXmlElement&) = delete;

    // The document the element was inserted into; kept when the element is detached.
    TkxXmlParser* Parser() const { return FParser; }
    // True while the element is part of its document's tree (not detached from it).
    bool IsInDocument() const;
    TkxXmlElement* Parent() const { return FParent; }
    TkxXmlElement* FirstChild() const;
    TkxXmlElement* NextSibling() const;
    int ChildCount() const { return static_cast<int>(FChildren.size()); }
    TkxXmlElement* Child(int index) const { return FChildren.at(index).get(); }

    const std::string& Name() const { return FName; }
    void SetName(std::string name) { FName = std::move(name); }
    std::vector<TkxXmlAttribute>& Attributes() { return FAttributes; }
    const std::vector<TkxXmlAttribute>& Attributes() const { return FAttributes; }

    const std::vector<std::string>& Content() const { return FContent; }
    void SetContent(std::vector<std::string> lines);
    // Lines joined by CR LF.
    std::string ContentText() const;
    void AddContentLine(std::string line);
    void ClearContent();
    // With afterBreak the text becomes a new last line; otherwise it continues the last line,
    // separated by one blank, and the result is trimmed.
    void AddContent(std::string_view text, bool afterBreak);

    // Appends child as the last child and takes it over; null is ignored. Returns the child.
    TkxXmlElement* AddChild(std::unique_ptr<TkxXmlElement> child);
    // Unlinks the element from its parent and hands it to the caller with its own children;
    // null (and nothing changes) when it has no parent.
    std::unique_ptr<TkxXmlElement> Detach();

    // The first direct child named name (no case distinction); with deep, failing that, the
    // first match in each child's subtree in child order.
    TkxXmlElement* FindChild(std::string_view name, bool deep) const;
    // The same search over the elements that follow this one under its parent.
    TkxXmlElement* FindSibling(std::string_view name, bool deep) const;
    // Direct children named name (all when name is empty), plus their subtrees' with deep.
    int CountChildren(std::string_view name, bool deep) const;

    // Settings kept as "key=value" content lines, of this element when childName is empty,
    // else of its first direct child of that name. Keys match without case distinction.
    std::string GetValue(std::string_view childName, std::string_view key,
                         std::string_view defaultValue) const;
    // Decimal, "0x" prefixed or "h" suffixed hexadecimal; the default when nothing scans or
    // the number does not fit 32 bits.
    std::int32_t GetInt(std::string_view childName, std::string_view key,
                        std::int32_t defaultValue) const;
    // "true"/"false" in any case, else a number (non-zero is true).
    bool GetBool(std::string_view childName, std::string_view key, bool defaultValue) const;
    // Replaces or appends the key's line; an empty value removes it. A missing child is created.
    void SetValue(std::string_view childName, std::string_view key, std::string_view value);
    void SetInt(std::string_view childName, std::string_view key, std::int32_t number);
    void SetBool(std::string_view childName, std::string_view key, bool flag);

    // Runs when the element's end tag has been read; derived elements read their settings.
    virtual void AnalyzeContent() {}
    // AnalyzeContent, then the content-analyzed notification.
    void ContentDone();

    Event OnAddChild;
    Event OnDelChild;
    Event OnChangeContent;
    Event OnContentAnalyzed;

private:
    friend class TkxXmlParser;

    enum class Notification { AddChild, DelChild, ChangeContent, ContentAnalyzed };

    void Notify(Notification kind, TkxXmlElement* element);
    void ContentChanged() { Notify(Notification::ChangeContent, this); }
    void AppendToContentText(std::string_view text);
    void SetParserDeep(TkxXmlParser* parser);
    int IndexInParent() const;
    int FindContentLine(std::string_view key) const;
    const TkxXmlElement* ValueElement(std::string_view childName) const;

    TkxXmlParser* FParser = nullptr;
    TkxXmlElement* FParent = nullptr;
    std::vector<std::unique_ptr<TkxXmlElement>> FChildren;
    std::string FName;
    std::vector<TkxXmlAttribute> FAttributes;
    std::vector<std::string> FContent;
};
