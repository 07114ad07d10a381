#pragma once

#include "base/tkxobject.h"
#include "graph/tkxgraphelementcls.h"

#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QPaintDevice;
class QPainter;
class TkxGraphDiagram;

// A graph: diagrams drawn, in list order (the last on top), into one off-screen bitmap of
// Rect's size, which a render then copies to Rect's place on a target. Selection and value
// look-ups use the diagrams' last layout. Needs a QGuiApplication (fonts, the palette).
class TkxGraph : public TkxObject {
public:
    using TRefreshedEvent = std::function<void(TkxGraph* sender, const QImage& grafico)>;
    using TDiagrams = std::vector<std::unique_ptr<TkxGraphDiagram>>;

    TkxGraph();
    ~TkxGraph() override;

    TkxGraph(const TkxGraph&) = delete;
    TkxGraph& operator=(const TkxGraph&) = delete;

    const QImage& Bitmap() const { return FBitmap; }
    const TDiagrams& Diagrams() const { return FDiagrams; }
    int DiagramCount() const { return static_cast<int>(FDiagrams.size()); }
    // The bitmap's place on the target; (0, 0) to (319, 239) unless set.
    const TkxGraphRect& Rect() const { return FRect; }
    void SetRect(const TkxGraphRect& rect) { FRect = rect; }
    TkxGraphDiagram* SelectedDgr() const { return FSelectedDgr; }
    // Clears the element selection of the old and the new diagram; nothing when unchanged.
    void SetSelectedDgr(TkxGraphDiagram* diagram);

    // A new diagram on top of the others.
    TkxGraphDiagram* AddDgr(std::string_view name);
    // The first diagram of that exact name, or null.
    TkxGraphDiagram* GetDgr(std::string_view name) const;
    // The diagram at that list position, or null outside the list.
    TkxGraphDiagram* GetDgr(int index) const;
    // Moves a diagram of this graph to the top; null or a stranger is ignored.
    void BringToFront(TkxGraphDiagram* diagram);
    // Clears the selection and frees every diagram.
    void ClearAll();
    // The first diagram in list order whose Rect holds the point strictly, or null.
    TkxGraphDiagram* DgrAtPos(int x, int y) const;
    // Selects the topmost visible diagram holding the point (or none), then the element at
    // the point inside it.
    void SelectAtPos(int x, int y);
    // The values under the point in the topmost visible diagram holding it: that diagram's
    // list index, or -1 when none holds the point (value then unchanged).
    int CoordAtCurPos(int x, int y, Tkx2DPoint& value) const;

    // Draws every diagram into the bitmap (the button colour when there are none), fires
    // OnRefreshed and copies the bitmap to the target at Rect's top-left. A null target only
    // draws the bitmap. True.
    bool RenderTo(QPaintDevice* target);
    bool RenderTo(QPainter* target);
    // Renders and saves the bitmap: PNG for a name ending in ".png", else a BMP file. False
    // when the file cannot be written.
    bool SaveToFile(const QString& fileName);

    // Nothing of a graph is kept between runs.
    std::string GetSetup() const { return {}; }
    void SetSetup(std::string_view /*text*/) {}

    TRefreshedEvent OnRefreshed;

private:
    void Draw();
    TkxGraphDiagram* TopmostVisibleAt(int x, int y, int* index) const;

    QImage FBitmap;
    TDiagrams FDiagrams;
    TkxGraphRect FRect{0, 0, 319, 239};
    TkxGraphDiagram* FSelectedDgr = nullptr;
};
