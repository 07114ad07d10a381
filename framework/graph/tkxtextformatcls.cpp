#include "graph/tkxtextformatcls.h"

#include "ui/tkxqtconvert.h"

TkxTextFormat::TkxTextFormat(std::string_view text)
    : TkxTextFormat(text, TkxQFont(QStringLiteral("Arial Narrow"), -10)) {}

TkxTextFormat::TkxTextFormat(std::string_view text, const QFont& font)
    : FText(text)
    , FFont(font) {}

void TkxTextFormat::SetText(std::string_view text) {
    if (text == FText) {
        return;
    }
    FText = text;
    DoOnChange();
}

QString TkxTextFormat::QText() const {
    return TkxQString(FText);
}
