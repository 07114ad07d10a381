#pragma once

#include <QBrush>
#include <QPen>

#include <functional>

// How a graph element draws its lines and fills: a pen, a brush and whether it is shown.
// OnChange fires when Visible actually changes; pens and brushes are plain values that the
// owner sets before the next render.
class TkxLineFormat {
public:
    using TChangeEvent = std::function<void(TkxLineFormat* sender)>;

    // White solid pen of width 1, a black brush that fills nothing, visible.
    TkxLineFormat();
    TkxLineFormat(const QPen& pen, const QBrush& brush);
    virtual ~TkxLineFormat() = default;

    TkxLineFormat(const TkxLineFormat&) = default;
    TkxLineFormat& operator=(const TkxLineFormat&) = default;

    const QPen& Pen() const { return FPen; }
    void SetPen(const QPen& pen) { FPen = pen; }
    const QBrush& Brush() const { return FBrush; }
    void SetBrush(const QBrush& brush) { FBrush = brush; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible);

    TChangeEvent OnChange;

protected:
    void DoOnChange();

private:
    QPen FPen;
    QBrush FBrush;
    bool FVisible = true;
};
