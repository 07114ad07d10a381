#pragma once

#include "graph/tkxlineformatcls.h"

#include <QFont>
#include <QString>

#include <string>
#include <string_view>

// A text of a graph element with the font, pen and brush it is written with. The text is
// 8-bit (Windows-1252) as everywhere in the framework; OnChange fires when Text or Visible
// actually changes.
class TkxTextFormat : public TkxLineFormat {
public:
    // White text in "Arial Narrow" of size -10 on a brush that fills nothing, visible.
    explicit TkxTextFormat(std::string_view text = {});
    TkxTextFormat(std::string_view text, const QFont& font);

    const std::string& Text() const { return FText; }
    void SetText(std::string_view text);
    // The text for drawing.
    QString QText() const;
    const QFont& Font() const { return FFont; }
    void SetFont(const QFont& font) { FFont = font; }

private:
    std::string FText;
    QFont FFont;
};
