#include "tscopeform.h"

#include "tnetworkcmp.h"

#include "devices/tkxdeviceqxdrvcls.h"
#include "graph/tkxgraphdiagramcls.h"
#include "graph/tkxgraphmarkercls.h"
#include "graph/tkxgraphscalacls.h"
#include "graph/tkxgraphtracciacls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "params/tkxparvaluecls.h"
#include "registers/tkxformatcls.h"
#include "ui/tkxqtconvert.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QSaveFile>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

constexpr double Second = 1.0 / 86400;
constexpr std::uint32_t PlotColor = 0xC0C0C0;
constexpr std::uint32_t GridColor = 0x808080;
constexpr std::uint32_t SetpointColor = 0x008000;
constexpr std::uint32_t NominalColor = 0xFF0000;
constexpr std::uint32_t PeakColor = 0x0000FF;
constexpr const char* CurrentPattern = "00.0";

// One diagram of the scope; colours as 0x00BBGGRR.
struct TDiagramLayout {
    const char* Title;
    std::uint32_t Back;
    const char* Unit;
    double Max;
    double Step;
    const char* Pattern;
    const char* Trace;
    std::uint32_t Pen;
};

const TDiagramLayout DiagramLayouts[TScopeForm::SignalCount] = {
    {"Frequency", 0xFDCBAC, "[Hz]", 128, 10, "000.0", "Freq", 0xFF0000},
    {"Current", 0xFDB386, "[A]", 20, 5, "00.0", "Ampere", 0x00FF00},
    {"Voltage", 0xFB7C31, "[V]", 700, 100, "000", "Volt", 0x0000FF},
    {"DcBus", 0xD05104, "[V]", 700, 100, "000", "Volt", 0xFF00FF},
};

// A marker that draws only its horizontal line.
TkxGraphMarker* AddLevelMarker(TkxGraphDiagram& diagram, const char* name, const QPen& pen,
                               int xEnd, const char* pattern) {
    TkxGraphMarker* marker = diagram.AddMarker(name);
    marker->SetAxes(TkxGraphMarker::AxisY);
    marker->SetYEnd(TkxGraphMarker::EndNone);
    marker->SetXEnd(xEnd);
    marker->LineFormat().SetPen(pen);
    marker->ValueFormat().SetText(pattern);
    return marker;
}

TkxGraphMarker* MarkerOf(const TkxGraphDiagram* diagram, std::string_view name) {
    if (diagram == nullptr) {
        return nullptr;
    }
    for (const auto& marker : diagram->Markers()) {
        if (marker->Name() == name) {
            return marker.get();
        }
    }
    return nullptr;
}

// A day number as the date and time of day it holds, to the millisecond; counted in UTC so
// that no daylight-saving change moves the hours.
QString TimeText(double day) {
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0), QTimeZone::utc());
    return epoch.addMSecs(std::llround(day * 86400000.0))
        .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

} // namespace

TScopeForm::TScopeForm(QWidget* parent)
    : TShellForm(QStringLiteral("ScopeForm"), QStringLiteral("Oscilloscope"),
                 {"acPause", "acExport"}, parent) {
    resize(DesignWidth, DesignHeight);
    // Every pixel is drawn from the graph's bitmap.
    setAttribute(Qt::WA_OpaquePaintEvent);
    acPause = Action("acPause");
    acPause->setText(QStringLiteral("&Pause"));
    acPause->setCheckable(true);
    acPause->setShortcut(QKeySequence(Qt::Key_Space));
    connect(acPause, &QAction::toggled, this, &TScopeForm::SetPaused);
    acExport = Action("acExport");
    acExport->setText(QStringLiteral("&Export samples as CSV..."));
    acExport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(acExport, &QAction::triggered, this, &TScopeForm::ExportExecute);
    FMenu = new QMenu(this);
    FMenu->addAction(acPause);
    FMenu->addAction(acExport);
    AskExportFile = [this]() -> std::optional<QString> {
        const QString name = QFileDialog::getSaveFileName(
            this, QStringLiteral("Export samples"), QStringLiteral("scope.csv"),
            QStringLiteral("CSV files (*.csv);;All files (*)"));
        return name.isEmpty() ? std::nullopt : std::optional<QString>(name);
    };
    ShowMessage = [this](const QString& message) {
        QMessageBox::warning(this, windowTitle(), message);
    };
    BuildDiagrams();
}

TScopeForm::~TScopeForm() = default;

void TScopeForm::BuildDiagrams() {
    const double now = TkxFormat::Now();
    for (int signal = 0; signal < SignalCount; ++signal) {
        const TDiagramLayout& layout = DiagramLayouts[signal];
        TkxGraphDiagram* diagram = kxGraph.AddDgr(layout.Title);
        FDiagrams[signal] = diagram;
        diagram->SetVisible(true);
        diagram->SetAutoX(true);
        diagram->SetAutoY(false);
        diagram->TextFormat().SetVisible(true);
        QFont font = diagram->TextFormat().Font();
        diagram->TextFormat().SetFont(TkxQFont(font.family(), -12));
        diagram->SetBackColor(TkxQColor(layout.Back));
        diagram->SetPlotColor(TkxQColor(PlotColor));

        TkxGraphScala& x = *diagram->XScale();
        x.TextFormat().SetText("Samples");
        x.TextFormat().SetVisible(false);
        x.SetTimeLabels(true);
        x.SetDateLabels(false);
        x.SetRange(now, now + 30 * Second);
        x.SetStep(10 * Second);
        x.LabelFormat().SetText("0.00");
        x.GridFormat().SetPen(QPen(TkxQColor(GridColor), 1, Qt::DotLine));
        TkxGraphScala& y = *diagram->YScale();
        y.TextFormat().SetText(layout.Unit);
        y.SetDateLabels(false);
        y.SetTimeLabels(false);
        y.SetRange(0, layout.Max);
        y.SetStep(layout.Step);
        y.LabelFormat().SetText(layout.Pattern);
        y.GridFormat().SetPen(QPen(TkxQColor(GridColor), 1, Qt::DotLine));

        const QColor pen = TkxQColor(layout.Pen);
        TkxGraphTraccia* trace = diagram->AddTraccia(layout.Trace);
        trace->SetLineStyle(TkxGraphTraccia::LinePolyline);
        trace->LineFormat().SetPen(QPen(pen, 2));
        trace->LineFormat().SetBrush(QBrush(signal == Frequency ? pen : TkxQColor(PlotColor)));
        if (signal == Frequency) {
            TkxGraphTraccia* setpoint = diagram->AddTraccia("Setpoint");
            setpoint->SetLineStyle(TkxGraphTraccia::LinePolyline);
            setpoint->LineFormat().SetPen(QPen(TkxQColor(SetpointColor), 1, Qt::DotLine));
            setpoint->LineFormat().SetBrush(QBrush(TkxQColor(PlotColor)));
            setpoint->SetVisible(false);
            AddLevelMarker(*diagram, "Ref", QPen(TkxQColor(SetpointColor), 1, Qt::SolidLine),
                           TkxGraphMarker::EndDiamond, "000.0")
                ->SetVisible(false);
        }
        if (signal == Current) {
            AddLevelMarker(*diagram, "INom", QPen(TkxQColor(NominalColor), 1, Qt::DashLine),
                           TkxGraphMarker::EndArrowIn, CurrentPattern);
            AddLevelMarker(*diagram, "IMax", QPen(TkxQColor(PeakColor), 1, Qt::DashLine),
                           TkxGraphMarker::EndArrowIn, CurrentPattern);
        }
        AddLevelMarker(*diagram, "Act", QPen(pen, 1, Qt::DotLine), TkxGraphMarker::EndDiamond,
                       layout.Pattern);
    }
    LayoutDiagrams(width(), height());
}

TkxGraphDiagram* TScopeForm::Diagram(TSignal signal) const {
    return signal >= 0 && signal < SignalCount ? FDiagrams[signal] : nullptr;
}

void TScopeForm::SetNetwork(TNetwork* network) {
    FNetwork = network;
    connect(network, &TNetwork::ActStateRead, this, &TScopeForm::ActStateRead);
    connect(network, &TNetwork::SetupRead, this, &TScopeForm::SetupRead);
}

void TScopeForm::ActStateRead() {
    TkxDeviceQXDRV* drive = FNetwork != nullptr ? FNetwork->GetDrive() : nullptr;
    if (drive == nullptr) {
        return;
    }
    const double time =
        drive->ReadState != nullptr ? drive->ReadState->GetTimeStamp() : TkxFormat::Now();
    for (auto [signal, par] :
         {std::pair(DcBus, drive->ParU_Dc_BusV), std::pair(Voltage, drive->ParU_MotorV),
          std::pair(Current, drive->ParI_MotorA), std::pair(Frequency, drive->ParF_MotorHz)}) {
        if (par != nullptr) {
            AddSample(signal, time, par->GetValueDouble());
        }
    }
    Redraw();
}

void TScopeForm::SetupRead() {
    TkxDeviceQXDRV* drive = FNetwork != nullptr ? FNetwork->GetDrive() : nullptr;
    if (drive == nullptr) {
        return;
    }
    if (drive->ParMotorIrA != nullptr) {
        SetNominalCurrent(drive->ParMotorIrA->GetValueDouble());
    }
    if (drive->ParMotorIpA != nullptr) {
        SetMaximumCurrent(drive->ParMotorIpA->GetValueDouble());
    }
    Redraw();
}

void TScopeForm::AddSample(TSignal signal, double time, double value) {
    TkxGraphDiagram* diagram = Diagram(signal);
    if (diagram == nullptr || FPaused) {
        return;
    }
    TkxGraphTraccia& trace = *diagram->Traces().front();
    if (!trace.AddPoint(trace.PointCount() >= MaxPoints, time, value)) {
        return;
    }
    diagram->YScale()->SetRange(std::min(0.0, trace.YMin()), std::max(0.0, trace.YMax()));
    if (TkxGraphMarker* act = MarkerOf(diagram, "Act")) {
        act->SetValue({time, value});
    }
}

void TScopeForm::SetNominalCurrent(double value) {
    if (TkxGraphMarker* marker = MarkerOf(Diagram(Current), "INom")) {
        marker->SetValue({0, value});
    }
}

void TScopeForm::SetMaximumCurrent(double value) {
    if (TkxGraphMarker* marker = MarkerOf(Diagram(Current), "IMax")) {
        marker->SetValue({0, value});
    }
}

void TScopeForm::SetPaused(bool paused) {
    FPaused = paused;
    if (acPause->isChecked() != paused) {
        acPause->setChecked(paused);
    }
    acPause->setText(paused ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
    setWindowTitle(paused ? QStringLiteral("Oscilloscope (paused)")
                          : QStringLiteral("Oscilloscope"));
}

void TScopeForm::Redraw() {
    // Paint requests are folded by the toolkit into one paint per frame.
    if (isVisible()) {
        update();
    }
}

void TScopeForm::LayoutDiagrams(int width, int height) {
    kxGraph.SetRect({0, 0, width, height});
    const TkxGraphRect places[] = {
        {2 * width / 3, 0, width, StripHeight},
        {width / 3, 0, 2 * width / 3, StripHeight},
        {0, 0, width / 3, StripHeight},
        {0, StripHeight, width, height},
    };
    for (int position = 0; position < SignalCount; ++position) {
        if (TkxGraphDiagram* diagram = kxGraph.GetDgr(position)) {
            diagram->SetRect(places[position]);
        }
    }
}

void TScopeForm::paintEvent(QPaintEvent*) {
    LayoutDiagrams(width(), height());
    QPainter painter(this);
    kxGraph.RenderTo(&painter);
    ++FRenderCount;
}

void TScopeForm::ClickAt(int x, int y) {
    kxGraph.SelectAtPos(x, y);
    kxGraph.BringToFront(kxGraph.SelectedDgr());
    LayoutDiagrams(width(), height());
    Redraw();
}

void TScopeForm::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        ClickAt(at.x(), at.y());
    }
    TShellForm::mousePressEvent(event);
}

void TScopeForm::contextMenuEvent(QContextMenuEvent* event) {
    FMenu->popup(event->globalPos());
}

QString TScopeForm::CsvText() const {
    // The sample times of every signal, each with the values taken then.
    std::map<double, std::array<std::optional<double>, SignalCount>> rows;
    for (int signal = 0; signal < SignalCount; ++signal) {
        for (const Tkx2DPoint& point : FDiagrams[signal]->Traces().front()->Points()) {
            rows[point.X][std::size_t(signal)] = point.Y;
        }
    }
    QString text = QStringLiteral("Time");
    for (int signal = 0; signal < SignalCount; ++signal) {
        text += QStringLiteral(",%1 %2").arg(QString::fromLatin1(DiagramLayouts[signal].Title),
                                             QString::fromLatin1(DiagramLayouts[signal].Unit));
    }
    text += QLatin1String("\r\n");
    for (const auto& [time, values] : rows) {
        text += TimeText(time);
        for (const std::optional<double>& value : values) {
            text += QLatin1Char(',');
            if (value) {
                text += QString::number(*value, 'g', 10);
            }
        }
        text += QLatin1String("\r\n");
    }
    return text;
}

bool TScopeForm::ExportCsv(const QString& fileName, QString& error) const {
    // Written whole or not at all: a failed export leaves an existing file as it was.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(CsvText().toUtf8()) < 0 || !file.commit()) {
        error = QStringLiteral("The samples could not be written to %1: %2")
                    .arg(fileName, file.errorString());
        return false;
    }
    return true;
}

void TScopeForm::ExportExecute() {
    const std::optional<QString> name = AskExportFile ? AskExportFile() : std::nullopt;
    if (!name) {
        return;
    }
    QString error;
    if (!ExportCsv(*name, error) && ShowMessage) {
        ShowMessage(error);
    }
}
