// The gallery: a drive made offline from a shipped definition file, its published parameters
// in a bound list, its control mode in a bound radio group and its ramp switch in a bound
// check box, so that the bound controls can be seen and tried without a drive.
//
//   qxdrive-gallery [--defs DIR] [--drive VERSION] [--screenshot FILE.png]
//                   [--refresh-hz N --seconds S]
//
// --screenshot grabs the window once it is shown and exits; --refresh-hz refreshes the
// bindings N times a second for S seconds and prints the processor time that took.
#include "base/tkxerror.h"
#include "devices/tkxdeviceqxdrvcls.h"
#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxmbnetworkcmp.h"
#include "devices/tkxofflinedevicecls.h"
#include "devices/tkxpropertytablecls.h"
#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparvaluecls.h"
#include "ui/tkxcheckboxctrl.h"
#include "ui/tkxqtdialogprovidercls.h"
#include "ui/tkxqtdispatchercls.h"
#include "ui/tkxradiogroupctrl.h"
#include "ui/tkxuserinterfaceutilscmp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <sys/resource.h>

#include <cstdio>
#include <memory>

namespace {

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A drive of the version, made offline: one connection that never goes on-line.
TkxDeviceQXDRV* MakeOfflineDrive(TkxMBNetwork& network, const std::string& folder,
                                 const std::string& version) {
    network.SetFilePath(folder);
    TkxDeviceSetup* setup = TkxOfflineDevice::Add(network, version);
    return setup != nullptr ? dynamic_cast<TkxDeviceQXDRV*>(setup->Device()) : nullptr;
}

// Every parameter the drive publishes, the base classes' first, a separator between classes.
void ListParameters(TkxUserInterfaceUtils& utils, const TkxDeviceQXDRV& drive) {
    std::vector<const TkxPropertyTable*> tables;
    for (const TkxPropertyTable* table = &drive.Properties(); table != nullptr;
         table = table->Base()) {
        tables.insert(tables.begin(), table);
    }
    for (const TkxPropertyTable* table : tables) {
        bool listed = false;
        for (const TkxProperty& property : table->Own()) {
            if (property.GetParameter != nullptr) {
                listed = utils.List(property.GetParameter(drive)) || listed;
            }
        }
        if (listed && table != tables.back()) {
            utils.ListSep();
        }
    }
}

bool WaitForExposure(QWidget& window) {
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (window.windowHandle() != nullptr && window.windowHandle()->isExposed()) {
            return true;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The bound controls on a drive made offline."));
    parser.addHelpOption();
    const QCommandLineOption defsOption(
        QStringLiteral("defs"), QStringLiteral("Folder of the definition files."),
        QStringLiteral("DIR"), QCoreApplication::applicationDirPath());
    const QCommandLineOption driveOption(QStringLiteral("drive"),
                                         QStringLiteral("Version text of the drive."),
                                         QStringLiteral("VERSION"), QStringLiteral("QX460v400"));
    const QCommandLineOption shotOption(QStringLiteral("screenshot"),
                                        QStringLiteral("Grab the window into FILE and exit."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption hzOption(QStringLiteral("refresh-hz"),
                                      QStringLiteral("Refresh the bindings N times a second."),
                                      QStringLiteral("N"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"),
                                           QStringLiteral("End after S seconds of refreshes."),
                                           QStringLiteral("S"), QStringLiteral("30"));
    parser.addOptions({defsOption, driveOption, shotOption, hzOption, secondsOption});
    parser.process(app);

    TkxQtDispatcher dispatcher;
    dispatcher.Install();
    TkxQtDialogProvider dialogs;
    dialogs.Install();

    TkxMBNetwork network;
    TkxDeviceQXDRV* drive = MakeOfflineDrive(network, parser.value(defsOption).toStdString(),
                                             parser.value(driveOption).toStdString());
    if (drive == nullptr) {
        std::fprintf(stderr, "qxdrive-gallery: no drive for %s in %s\n",
                     qPrintable(parser.value(driveOption)), qPrintable(parser.value(defsOption)));
        return 1;
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("QX DRIVE - bound controls (%1, offline)")
                              .arg(QString::fromStdString(drive->GetVersion().GetText())));
    auto* layout = new QHBoxLayout(&window);
    auto* list = new QTreeWidget();
    layout->addWidget(list, 3);
    auto* side = new QVBoxLayout();
    layout->addLayout(side, 1);
    auto* group = new TkxRadioGroup();
    side->addWidget(group);
    auto* box = new TkxCheckBox();
    side->addWidget(box);
    auto* hint = new QLabel(QStringLiteral("Double-click a value or type a digit to edit it."));
    hint->setWordWrap(true);
    side->addWidget(hint);
    side->addStretch();

    TkxUserInterfaceUtils utils;
    utils.Reset();
    utils.With(list, {ckValue, ckMin, ckMax});
    ListParameters(utils, *drive);
    utils.With(group, drive->CfgCtrlMode);
    utils.AdaptHeight();
    utils.With(box, drive->CfgUseRamp);
    window.resize(1240, 680);
    window.show();
    utils.RefreshData();

    if (parser.isSet(shotOption)) {
        if (!WaitForExposure(window)) {
            std::fprintf(stderr, "qxdrive-gallery: the window was never shown\n");
            return 1;
        }
        QCoreApplication::processEvents();
        if (!window.grab().save(parser.value(shotOption))) {
            std::fprintf(stderr, "qxdrive-gallery: cannot write %s\n",
                         qPrintable(parser.value(shotOption)));
            return 1;
        }
        return 0;
    }

    if (parser.isSet(hzOption)) {
        const int hz = std::max(1, parser.value(hzOption).toInt());
        const double seconds = std::max(1.0, parser.value(secondsOption).toDouble());
        QTimer refresh;
        int refreshes = 0;
        QObject::connect(&refresh, &QTimer::timeout, [&] {
            // Two values change each time, as in a live state list.
            for (TkxParValue* par : {drive->ParMotorAccel, drive->ParMotorDecel}) {
                par->SetValueDouble(par->GetMin() + refreshes % 100);
            }
            utils.RefreshData();
            ++refreshes;
        });
        const double cpuBefore = ProcessCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        refresh.start(1000 / hz);
        QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QCoreApplication::quit);
        app.exec();
        const double cpu = ProcessCpuSeconds() - cpuBefore;
        const double elapsed = wall.elapsed() / 1000.0;
        std::printf("%d rows, %d refreshes in %.1f s: %.3f s processor time, %.2f %% of one "
                    "core, %.3f ms per refresh\n",
                    list->topLevelItemCount(), refreshes, elapsed, cpu, 100.0 * cpu / elapsed,
                    refreshes > 0 ? 1000.0 * cpu / refreshes : 0.0);
        return 0;
    }
    return app.exec();
}
