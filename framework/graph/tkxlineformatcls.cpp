#include "graph/tkxlineformatcls.h"

TkxLineFormat::TkxLineFormat()
    : TkxLineFormat(QPen(Qt::white, 1, Qt::SolidLine), QBrush(Qt::black, Qt::NoBrush)) {}

TkxLineFormat::TkxLineFormat(const QPen& pen, const QBrush& brush)
    : FPen(pen)
    , FBrush(brush) {}

void TkxLineFormat::SetVisible(bool visible) {
    if (visible == FVisible) {
        return;
    }
    FVisible = visible;
    DoOnChange();
}

void TkxLineFormat::DoOnChange() {
    if (OnChange) {
        OnChange(this);
    }
}
