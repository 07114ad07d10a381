#include "graph/tkxgraphcmp.h"

#include "graph/tkxgraphdiagramcls.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>

namespace {

// The bitmap's resolution, 96 pixels per inch, so that font sizes in points come out the same
// on every machine.
constexpr int DotsPerMeter = 3780;

QColor ButtonFace() {
    if (QGuiApplication::instance() == nullptr) {
        return QColor(0xF0, 0xF0, 0xF0);
    }
    return QGuiApplication::palette().color(QPalette::Button);
}

} // namespace

TkxGraph::TkxGraph() = default;

TkxGraph::~TkxGraph() = default;

void TkxGraph::SetSelectedDgr(TkxGraphDiagram* diagram) {
    if (diagram == FSelectedDgr) {
        return;
    }
    if (FSelectedDgr != nullptr) {
        FSelectedDgr->SelectElement(nullptr);
    }
    FSelectedDgr = diagram;
    if (FSelectedDgr != nullptr) {
        FSelectedDgr->SelectElement(nullptr);
    }
}

TkxGraphDiagram* TkxGraph::AddDgr(std::string_view name) {
    FDiagrams.push_back(std::make_unique<TkxGraphDiagram>(name));
    return FDiagrams.back().get();
}

TkxGraphDiagram* TkxGraph::GetDgr(std::string_view name) const {
    for (const auto& diagram : FDiagrams) {
        if (diagram->Name() == name) {
            return diagram.get();
        }
    }
    return nullptr;
}

TkxGraphDiagram* TkxGraph::GetDgr(int index) const {
    if (index < 0 || index >= DiagramCount()) {
        return nullptr;
    }
    return FDiagrams[static_cast<std::size_t>(index)].get();
}

void TkxGraph::BringToFront(TkxGraphDiagram* diagram) {
    const auto found = std::find_if(FDiagrams.begin(), FDiagrams.end(),
                                    [&](const auto& owned) { return owned.get() == diagram; });
    if (diagram == nullptr || found == FDiagrams.end()) {
        return;
    }
    std::rotate(found, found + 1, FDiagrams.end());
}

void TkxGraph::ClearAll() {
    SetSelectedDgr(nullptr);
    FDiagrams.clear();
}

TkxGraphDiagram* TkxGraph::DgrAtPos(int x, int y) const {
    for (const auto& diagram : FDiagrams) {
        if (diagram->Rect().Contains(x, y)) {
            return diagram.get();
        }
    }
    return nullptr;
}

TkxGraphDiagram* TkxGraph::TopmostVisibleAt(int x, int y, int* index) const {
    for (int i = DiagramCount() - 1; i >= 0; --i) {
        TkxGraphDiagram* diagram = FDiagrams[static_cast<std::size_t>(i)].get();
        if (diagram->Visible() && diagram->Rect().Contains(x, y)) {
            if (index != nullptr) {
                *index = i;
            }
            return diagram;
        }
    }
    return nullptr;
}

void TkxGraph::SelectAtPos(int x, int y) {
    SetSelectedDgr(TopmostVisibleAt(x, y, nullptr));
    if (FSelectedDgr != nullptr) {
        FSelectedDgr->SelectAt(x, y);
    }
}

int TkxGraph::CoordAtCurPos(int x, int y, Tkx2DPoint& value) const {
    int index = -1;
    const TkxGraphDiagram* diagram = TopmostVisibleAt(x, y, &index);
    if (diagram == nullptr) {
        return -1;
    }
    value = diagram->ValueAt(x, y);
    return index;
}

void TkxGraph::Draw() {
    const QSize size(std::max(0, FRect.Width()), std::max(0, FRect.Height()));
    if (FBitmap.size() != size) {
        FBitmap = QImage(size, QImage::Format_RGB32);
        FBitmap.setDotsPerMeterX(DotsPerMeter);
        FBitmap.setDotsPerMeterY(DotsPerMeter);
    }
    if (FBitmap.isNull()) {
        return;
    }
    // Where no diagram draws, the bitmap shows the button colour, not a former picture.
    FBitmap.fill(ButtonFace());
    if (FDiagrams.empty()) {
        return;
    }
    QPainter painter(&FBitmap);
    for (const auto& diagram : FDiagrams) {
        diagram->Render(painter);
    }
}

bool TkxGraph::RenderTo(QPainter* target) {
    Draw();
    if (OnRefreshed) {
        OnRefreshed(this, FBitmap);
    }
    if (target != nullptr && !FBitmap.isNull()) {
        target->drawImage(QPoint(FRect.Left, FRect.Top), FBitmap);
    }
    return true;
}

bool TkxGraph::RenderTo(QPaintDevice* target) {
    if (target == nullptr) {
        return RenderTo(static_cast<QPainter*>(nullptr));
    }
    QPainter painter(target);
    return RenderTo(&painter);
}

bool TkxGraph::SaveToFile(const QString& fileName) {
    RenderTo(static_cast<QPainter*>(nullptr));
    const char* format =
        fileName.endsWith(QLatin1String(".png"), Qt::CaseInsensitive) ? "PNG" : "BMP";
    return !FBitmap.isNull() && FBitmap.save(fileName, format);
}
