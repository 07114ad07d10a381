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
    QString QText() const { return ToQString(FText); }
    // Any 8-bit text of the framework for drawing.
    static QString ToQString(std::string_view ansi);
    const QFont& Font() const { return FFont; }
    void SetFont(const QFont& font) { FFont = font; }

    // A font of the family and the toolkit's size: a negative size is a character cell of
    // that many points (-10 gives 13 pixels), a positive one the character height in points.
    // A family this machine lacks falls back to a similar one when the text is drawn.
    static QFont MakeFont(const QString& family, int size);

private:
    std::string FText;
    QFont FFont;
};
