#include "ui/tkxqtconvert.h"

#include "registers/tkxcodepage.h"

#include <QFontInfo>
#include <QFontMetrics>

#include <algorithm>
#include <cmath>

QString TkxQString(std::string_view ansi) {
    const std::string utf8 = AnsiToUtf8(ansi);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string TkxAnsi(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToAnsi(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

QColor TkxQColor(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

std::uint32_t TkxColorRef(const QColor& color) {
    return static_cast<std::uint32_t>(color.red()) |
           static_cast<std::uint32_t>(color.green()) << 8 |
           static_cast<std::uint32_t>(color.blue()) << 16;
}

QFont TkxQFont(const QString& family, int size) {
    QFont font(family);
    if (family.startsWith(QLatin1String("Courier"), Qt::CaseInsensitive)) {
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
    } else {
        // "Arial", "Arial Narrow" and the like fall back to any sans-serif face.
        font.setStyleHint(QFont::SansSerif);
    }
    if (size < 0) {
        // A character cell of that many points at 96 pixels per inch.
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(-size * 96.0 / 72.0))));
    } else if (size > 0) {
        font.setPointSize(size);
    }
    return font;
}

int TkxFontHeight(const QFont& font) {
    if (font.pixelSize() > 0) {
        return font.pixelSize();
    }
    return QFontMetrics(font).height();
}
