#pragma once

#include "base/tkxobject.h"
#include "graph/tkxlineformatcls.h"
#include "graph/tkxtextformatcls.h"

#include <QRect>

#include <string>
#include <string_view>

// A value of a graph: a point of a trace or the place of a marker.
struct Tkx2DPoint {
    double X = 0.0;
    double Y = 0.0;

    bool operator==(const Tkx2DPoint&) const = default;
};

// An area of a graph's bitmap in pixels. Right and Bottom lie just outside the area, so the
// width is Right - Left and a rectangle from (0, 0) to (320, 240) covers 320 by 240 pixels.
struct TkxGraphRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    // Strictly inside: a point on the border is outside. Every hit test of a graph uses it.
    bool Contains(int x, int y) const { return x > Left && x < Right && y > Top && y < Bottom; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    QRect ToQRect() const { return {Left, Top, Right - Left, Bottom - Top}; }

    bool operator==(const TkxGraphRect&) const = default;
};

// What a diagram is made of: a scale, a trace, a marker or the legend. Its name is the text
// of its TextFormat, whose font writes the element's texts; LineFormat draws it. The diagram
// sets Rect at each layout.
class TkxGraphElement : public TkxObject {
public:
    explicit TkxGraphElement(std::string_view name);
    ~TkxGraphElement() override = default;

    TkxGraphElement(const TkxGraphElement&) = delete;
    TkxGraphElement& operator=(const TkxGraphElement&) = delete;

    // True when the point lies strictly inside Rect.
    virtual bool IsInside(int x, int y) const;

    const std::string& Name() const { return FTextFormat.Text(); }
    TkxTextFormat& TextFormat() { return FTextFormat; }
    const TkxTextFormat& TextFormat() const { return FTextFormat; }
    TkxLineFormat& LineFormat() { return FLineFormat; }
    const TkxLineFormat& LineFormat() const { return FLineFormat; }
    const TkxGraphRect& Rect() const { return FRect; }
    void SetRect(const TkxGraphRect& rect) { FRect = rect; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible) { FVisible = visible; }
    bool Selected() const { return FSelected; }
    void SetSelected(bool selected) { FSelected = selected; }

private:
    TkxTextFormat FTextFormat;
    TkxLineFormat FLineFormat;
    TkxGraphRect FRect;
    bool FVisible = true;
    bool FSelected = false;
};
