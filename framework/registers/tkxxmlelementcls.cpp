#include "registers/tkxxmlelementcls.h"

#include "registers/tkxtextresourcecls.h"
#include "registers/tkxxmlparsercmp.h"

#include <limits>

namespace {

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    if (text.empty())
        return lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

// The characters TrimBlanks removes.
bool IsTrimmedChar(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

bool IsScanBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v';
}

int DigitValue(char c, int base) {
    int digit = -1;
    if (c >= '0' && c <= '9')
        digit = c - '0';
    else if (c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        digit = c - 'A' + 10;
    return digit < base ? digit : -1;
}

// Reads a number the way the "%ld" and "%lx" conversions do (leading blanks, an optional sign,
// then digits; for hexadecimal also an optional "0x"), refusing numbers beyond 32 bits.
bool ScanNumber(std::string_view text, int base, std::int32_t& result) {
    std::size_t pos = 0;
    while (pos < text.size() && IsScanBlank(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    if (base == 16 && text.substr(pos).size() > 2 && text[pos] == '0' &&
        (text[pos + 1] == 'x' || text[pos + 1] == 'X') && DigitValue(text[pos + 2], 16) >= 0)
        pos += 2;
    const std::int64_t limit =
        base == 16 ? std::numeric_limits<std::uint32_t>::max()
                   : std::int64_t{std::numeric_limits<std::int32_t>::max()} + (negative ? 1 : 0);
    std::int64_t value = 0;
    std::size_t digits = 0;
    for (; pos < text.size() && DigitValue(text[pos], base) >= 0; ++pos, ++digits) {
        value = value * base + DigitValue(text[pos], base);
        if (value > limit)
            return false;
    }
    if (digits == 0)
        return false;
    const auto bits = static_cast<std::uint32_t>(negative ? -value : value);
    result = static_cast<std::int32_t>(bits);
    return true;
}

} // namespace

TkxXmlElement::TkxXmlElement() = default;

TkxXmlElement::TkxXmlElement(std::string name, std::string_view contentText)
    : FName(std::move(name))
    , FContent(SplitLines(contentText)) {}

TkxXmlElement::~TkxXmlElement() {
    // The children go with this element; unlinking them first keeps their own destructors
    // from reporting to an owner that is half destroyed.
    for (auto& child : FChildren)
        child->FParent = nullptr;
}

bool TkxXmlElement::IsInDocument() const {
    const TkxXmlElement* top = this;
    while (top->FParent != nullptr)
        top = top->FParent;
    return FParser != nullptr && FParser->Root() == top;
}

TkxXmlElement* TkxXmlElement::FirstChild() const {
    return FChildren.empty() ? nullptr : FChildren.front().get();
}

TkxXmlElement* TkxXmlElement::NextSibling() const {
    if (FParent == nullptr)
        return nullptr;
    const int index = IndexInParent() + 1;
    return index < FParent->ChildCount() ? FParent->Child(index) : nullptr;
}

int TkxXmlElement::IndexInParent() const {
    for (int i = 0; i < FParent->ChildCount(); ++i) {
        if (FParent->Child(i) == this)
            return i;
    }
    return -1;
}

void TkxXmlElement::SetContent(std::vector<std::string> lines) {
    FContent = std::move(lines);
    ContentChanged();
}

std::string TkxXmlElement::ContentText() const {
    std::string text;
    for (std::size_t i = 0; i < FContent.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += FContent[i];
    }
    return text;
}

void TkxXmlElement::AddContentLine(std::string line) {
    FContent.push_back(std::move(line));
    ContentChanged();
}

void TkxXmlElement::ClearContent() {
    if (FContent.empty())
        return;
    FContent.clear();
    ContentChanged();
}

void TkxXmlElement::AddContent(std::string_view text, bool afterBreak) {
    if (afterBreak) {
        FContent.emplace_back(text);
    } else {
        AppendToContentText(text);
    }
    ContentChanged();
}

// Continues the content text as if it were one string: the text so far trimmed, one blank, the
// new piece, all trimmed again. Done in place on the lines, so that an element made of many
// pieces is read in linear time.
void TkxXmlElement::AppendToContentText(std::string_view text) {
    while (!FContent.empty()) {
        std::string& last = FContent.back();
        while (!last.empty() && IsTrimmedChar(last.back()))
            last.pop_back();
        if (!last.empty())
            break;
        FContent.pop_back();
    }
    const std::string_view piece = TrimBlanks(text);
    if (FContent.empty()) {
        if (!piece.empty())
            FContent.emplace_back(piece);
        return;
    }
    if (!piece.empty()) {
        FContent.back() += ' ';
        FContent.back() += piece;
    }
    std::string& first = FContent.front();
    std::size_t leading = 0;
    while (leading < first.size() && IsTrimmedChar(first[leading]))
        ++leading;
    first.erase(0, leading);
}

TkxXmlElement* TkxXmlElement::AddChild(std::unique_ptr<TkxXmlElement> child) {
    if (!child)
        return nullptr;
    TkxXmlElement* linkedTo = FChildren.empty() ? this : FChildren.back().get();
    TkxXmlElement* added = child.get();
    added->FParent = this;
    added->SetParserDeep(FParser);
    FChildren.push_back(std::move(child));
    linkedTo->Notify(Notification::AddChild, added);
    return added;
}

std::unique_ptr<TkxXmlElement> TkxXmlElement::Detach() {
    TkxXmlElement* parent = FParent;
    if (parent == nullptr)
        return nullptr;
    const auto it = parent->FChildren.begin() + IndexInParent();
    std::unique_ptr<TkxXmlElement> self = std::move(*it);
    parent->FChildren.erase(it);
    FParent = nullptr;
    parent->Notify(Notification::DelChild, this);
    return self;
}

void TkxXmlElement::SetParserDeep(TkxXmlParser* parser) {
    FParser = parser;
    for (auto& child : FChildren)
        child->SetParserDeep(parser);
}

TkxXmlElement* TkxXmlElement::FindChild(std::string_view name, bool deep) const {
    for (const auto& child : FChildren) {
        if (AnsiSameText(child->FName, name))
            return child.get();
    }
    if (!deep)
        return nullptr;
    for (const auto& child : FChildren) {
        if (TkxXmlElement* found = child->FindChild(name, true))
            return found;
    }
    return nullptr;
}

TkxXmlElement* TkxXmlElement::FindSibling(std::string_view name, bool deep) const {
    if (FParent == nullptr)
        return nullptr;
    const int first = IndexInParent() + 1;
    for (int i = first; i < FParent->ChildCount(); ++i) {
        if (AnsiSameText(FParent->Child(i)->FName, name))
            return FParent->Child(i);
    }
    if (!deep)
        return nullptr;
    for (int i = first; i < FParent->ChildCount(); ++i) {
        if (TkxXmlElement* found = FParent->Child(i)->FindChild(name, true))
            return found;
    }
    return nullptr;
}

int TkxXmlElement::CountChildren(std::string_view name, bool deep) const {
    int count = 0;
    for (const auto& child : FChildren) {
        if (name.empty() || AnsiSameText(child->FName, name))
            ++count;
        if (deep)
            count += child->CountChildren(name, true);
    }
    return count;
}

const TkxXmlElement* TkxXmlElement::ValueElement(std::string_view childName) const {
    return childName.empty() ? this : FindChild(childName, false);
}

int TkxXmlElement::FindContentLine(std::string_view key) const {
    for (std::size_t i = 0; i < FContent.size(); ++i) {
        const std::size_t equals = FContent[i].find('=');
        if (equals != std::string::npos &&
            AnsiSameText(std::string_view(FContent[i]).substr(0, equals), key))
            return static_cast<int>(i);
    }
    return -1;
}

std::string TkxXmlElement::GetValue(std::string_view childName, std::string_view key,
                                    std::string_view defaultValue) const {
    const TkxXmlElement* element = ValueElement(childName);
    const int line = element ? element->FindContentLine(key) : -1;
    if (line < 0)
        return std::string(defaultValue);
    const std::string& text = element->FContent[line];
    const std::string value = text.substr(text.find('=') + 1);
    return value.empty() ? std::string(defaultValue) : value;
}

std::int32_t TkxXmlElement::GetInt(std::string_view childName, std::string_view key,
                                   std::int32_t defaultValue) const {
    const std::string text = GetValue(childName, key, "");
    std::int32_t value = defaultValue;
    bool scanned = false;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        scanned = ScanNumber(std::string_view(text).substr(2), 16, value);
    else if (!text.empty() && (text.back() == 'h' || text.back() == 'H'))
        scanned = ScanNumber(text, 16, value);
    else
        scanned = ScanNumber(text, 10, value);
    return scanned ? value : defaultValue;
}

bool TkxXmlElement::GetBool(std::string_view childName, std::string_view key,
                            bool defaultValue) const {
    const std::string text = GetValue(childName, key, "");
    const std::string_view trimmed = TrimBlanks(text);
    if (AnsiSameText(trimmed, "true"))
        return true;
    if (AnsiSameText(trimmed, "false"))
        return false;
    return GetInt(childName, key, defaultValue ? 1 : 0) != 0;
}

void TkxXmlElement::SetValue(std::string_view childName, std::string_view key,
                             std::string_view value) {
    auto* element = const_cast<TkxXmlElement*>(ValueElement(childName));
    std::string line(key);
    line += '=';
    line += value;
    if (element == nullptr) {
        if (!value.empty())
            AddChild(std::make_unique<TkxXmlElement>(std::string(childName), line));
        return;
    }
    const int index = element->FindContentLine(key);
    if (value.empty()) {
        if (index < 0)
            return;
        element->FContent.erase(element->FContent.begin() + index);
    } else if (index < 0) {
        element->FContent.push_back(std::move(line));
    } else if (element->FContent[index] != line) {
        element->FContent[index] = std::move(line);
    } else {
        return;
    }
    element->ContentChanged();
}

void TkxXmlElement::SetInt(std::string_view childName, std::string_view key, std::int32_t number) {
    SetValue(childName, key, std::to_string(number));
}

void TkxXmlElement::SetBool(std::string_view childName, std::string_view key, bool flag) {
    SetValue(childName, key, flag ? "true" : "false");
}

void TkxXmlElement::ContentDone() {
    AnalyzeContent();
    Notify(Notification::ContentAnalyzed, this);
}

void TkxXmlElement::Notify(Notification kind, TkxXmlElement* element) {
    TkxXmlElement* top = this;
    for (TkxXmlElement* e = this; e != nullptr; e = e->FParent) {
        const Event& event = kind == Notification::AddChild        ? e->OnAddChild
                             : kind == Notification::DelChild      ? e->OnDelChild
                             : kind == Notification::ChangeContent ? e->OnChangeContent
                                                                   : e->OnContentAnalyzed;
        if (event)
            event(e, element);
        top = e;
    }
    TkxXmlParser* parser = top->FParser;
    if (parser == nullptr || parser->Root() != top)
        return;
    switch (kind) {
    case Notification::AddChild:
        parser->PerformOnAddChild(element);
        break;
    case Notification::DelChild:
        parser->PerformOnDelChild(element);
        break;
    case Notification::ChangeContent:
        parser->PerformOnChangeContent(element);
        break;
    case Notification::ContentAnalyzed:
        parser->PerformOnContentAnalyzed(element);
        break;
    }
}
