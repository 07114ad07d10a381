#include "graph/tkxgraphelementcls.h"

TkxGraphElement::TkxGraphElement(std::string_view name)
    : FTextFormat(name) {}

bool TkxGraphElement::IsInside(int x, int y) const {
    return FRect.Contains(x, y);
}
