#pragma once

#include "tshellform.h"

#include "graph/tkxgraphcmp.h"

#include <QString>

#include <functional>
#include <optional>

class QMenu;
class TkxGraphDiagram;
class TNetwork;

// The oscilloscope: output frequency, motor current, motor voltage and DC-bus voltage of the
// running drive over time, one diagram each in one graph. The last diagram of the graph's list
// is drawn large below, the other three as small panels in a strip along the top; a click on
// a panel enlarges it. Each trace keeps the latest 150 samples. Samples are always stored;
// drawing happens only while the window is shown, at most once per frame however fast
// samples come. Beyond the plot: a pause that holds the picture still (samples arriving
// meanwhile are not kept), and an export of the kept samples as CSV.
class TScopeForm : public TShellForm {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 468;
    static constexpr int DesignHeight = 375;
    static constexpr int MaxPoints = 150;
    // The height of the strip of small panels.
    static constexpr int StripHeight = 100;
    // The diagrams in the order they are added to the graph.
    enum TSignal : int { Frequency, Current, Voltage, DcBus, SignalCount };

    explicit TScopeForm(QWidget* parent = nullptr);
    ~TScopeForm() override;

    // Feeds the scope from the drive's state reads and its motor's currents from its setup.
    void SetNetwork(TNetwork* network);

    // One sample: time as a day number, value in the signal's unit. A value or time that is
    // not a finite number is dropped.
    void AddFrequencySample(double time, double value) { AddSample(Frequency, time, value); }
    void AddCurrentSample(double time, double value) { AddSample(Current, time, value); }
    void AddVoltageSample(double time, double value) { AddSample(Voltage, time, value); }
    void AddDcBusSample(double time, double value) { AddSample(DcBus, time, value); }
    void AddSample(TSignal signal, double time, double value);
    // The rated and the peak current of the motor, marked in the current diagram.
    void SetNominalCurrent(double value);
    void SetMaximumCurrent(double value);
    // Asks for a new picture; nothing while the window is hidden. Requests until the next
    // frame are served by one render.
    void Redraw();
    // Places the diagrams for a client area of that size: the last one large below the strip.
    void LayoutDiagrams(int width, int height);
    // As a click at that client position: the diagram there becomes the large one.
    void ClickAt(int x, int y);

    bool Paused() const { return FPaused; }
    void SetPaused(bool paused);
    // The kept samples as CSV: a header line, then one line per sample time in time order,
    // the time and each signal's value at that time (empty where it has none). False, with
    // the reason in error, when the file cannot be written.
    bool ExportCsv(const QString& fileName, QString& error) const;
    // The CSV text ExportCsv writes.
    QString CsvText() const;

    TkxGraph& Graph() { return kxGraph; }
    // The diagram of a signal, wherever it is in the list.
    TkxGraphDiagram* Diagram(TSignal signal) const;
    // The renders done so far.
    int RenderCount() const { return FRenderCount; }

    // The file to export to, asked of the user; nothing when cancelled. Replaced by tests.
    std::function<std::optional<QString>()> AskExportFile;
    // A failure the user is told of. Replaced by tests.
    std::function<void(const QString& message)> ShowMessage;

    QAction* acPause = nullptr;
    QAction* acExport = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void BuildDiagrams();
    void ExportExecute();
    void ActStateRead();
    void SetupRead();

    TkxGraph kxGraph;
    // The diagrams by signal; the graph owns them and reorders its list.
    TkxGraphDiagram* FDiagrams[SignalCount] = {};
    TNetwork* FNetwork = nullptr;
    QMenu* FMenu = nullptr;
    bool FPaused = false;
    int FRenderCount = 0;
};
