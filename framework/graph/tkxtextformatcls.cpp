#include "graph/tkxtextformatcls.h"

#include "registers/tkxcodepage.h"

#include <algorithm>
#include <cmath>

TkxTextFormat::TkxTextFormat(std::string_view text)
    : TkxTextFormat(text, MakeFont(QStringLiteral("Arial Narrow"), -10)) {}

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

QString TkxTextFormat::ToQString(std::string_view ansi) {
    return QString::fromStdString(AnsiToUtf8(ansi));
}

QFont TkxTextFormat::MakeFont(const QString& family, int size) {
    QFont font(family);
    // Narrow and plain faces fall back to any sans-serif face of the machine.
    font.setStyleHint(QFont::SansSerif);
    if (size < 0) {
        // Points at 96 pixels per inch, the resolution of the graph's bitmap.
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(-size * 96.0 / 72.0))));
    } else if (size > 0) {
        font.setPointSize(size);
    }
    return font;
}
