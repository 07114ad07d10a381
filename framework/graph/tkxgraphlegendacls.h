#pragma once

#include "graph/tkxgraphelementcls.h"

#include <memory>
#include <string_view>
#include <vector>

class QPaintDevice;
class QPainter;
class TkxGraphTraccia;

// The legend of a diagram: the names of its traces in a grid of cells, each in its trace's
// colour, in a framed box at the plot's top-left corner (moved by Left and Top). It only
// points at the diagram's traces. Hidden until its owner shows it.
class TkxGraphLegenda : public TkxGraphElement {
public:
    using TTraces = std::vector<std::unique_ptr<TkxGraphTraccia>>;

    TkxGraphLegenda(std::string_view name, const TTraces* items);

    const TTraces* Items() const { return FItems; }
    // At least 1.
    int Columns() const { return FColumns; }
    void SetColumns(int columns);
    int Rows() const { return FRows; }
    int CellWidth() const { return FCellWidth; }
    int CellHeight() const { return FCellHeight; }
    int Left() const { return FLeft; }
    void SetLeft(int left) { FLeft = left; }
    int Top() const { return FTop; }
    void SetTop(int top) { FTop = top; }

    // Sizes the cells and places Rect for the plot; the rows are as many as the traces need.
    void Layout(const QPaintDevice* device, const TkxGraphRect& plot);
    // The trace whose cell holds the point, or null.
    TkxGraphTraccia* TraceAt(int x, int y) const;
    void Draw(QPainter& painter) const;

private:
    int CellPitch() const { return FCellWidth * 10 / 9; }

    const TTraces* FItems;
    int FColumns = 1;
    int FRows = 0;
    int FCellWidth = 0;
    int FCellHeight = 0;
    int FLeft = 0;
    int FTop = 0;
};
