#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

// The boundary between the core and Qt: the core's 8-bit text (Windows-1252) and QString,
// colours stored as 0x00BBGGRR and QColor, and font sizes in the toolkit's units (a negative
// size is a character cell of that many points, -10 giving 13 pixels at 96 pixels per inch; a
// positive one is the character height in points). Qt Gui only, so that the graph shares it.

QString TkxQString(std::string_view ansi);
// Characters without a Windows-1252 form become the replacement character.
std::string TkxAnsi(const QString& text);

QColor TkxQColor(std::uint32_t bgr);
std::uint32_t TkxColorRef(const QColor& color);

// A font of that family and size; families missing here fall back to a font of the same kind
// (a fixed-pitch one for "Courier" and "Courier New").
QFont TkxQFont(const QString& family, int size);
// The absolute font height in pixels the toolkit's layouts count with.
int TkxFontHeight(const QFont& font);
