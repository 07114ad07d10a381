// The network monitor: watches the drives of one or more lines in a tree, with their states,
// transactions and errors, and reads a drive's registers into a list.
//
//   qxdrive-network [LAYOUT] [--defs DIR] [--port N=PATH ...] [--online]
//                   [--screenshot FILE.png --until-running S]
//
// --port maps the serial port COMN to a device path. --screenshot waits until every enabled
// device runs (at most S seconds, 20 by default), grabs the window and exits.
#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxmbnetworkcmp.h"
#include "modbus/tkxmbcontextcls.h"
#include "modbus/tkxmbthreadsetupcls.h"
#include "network/tnetworkmonitorform.h"
#include "ui/tkxnetworktreeview.h"
#include "ui/tkxqtdialogprovidercls.h"
#include "ui/tkxqtdispatchercls.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QTimer>

#include <cstdio>

namespace {

// True when every enabled device of the network is identified and running.
bool AllRunning(TkxNetworkTreeView& tree) {
    int devices = 0;
    for (QTreeWidgetItemIterator it(&tree); *it != nullptr; ++it) {
        auto* setup = dynamic_cast<TkxDeviceSetup*>(TkxNetworkTreeView::NodeObject(*it));
        if (setup != nullptr && setup->Enabled()) {
            ++devices;
            if (setup->GetState() != TkxState::Running) {
                return false;
            }
        }
    }
    return devices > 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qxdrive-network"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Watches the drives of a Modbus network."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("layout"), QStringLiteral("A layout file."));
    const QCommandLineOption defs(QStringLiteral("defs"),
                                  QStringLiteral("Folder of the definition files."),
                                  QStringLiteral("dir"), QApplication::applicationDirPath());
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Serial port COMN at a device path."),
                                  QStringLiteral("N=path"));
    const QCommandLineOption online(QStringLiteral("online"),
                                    QStringLiteral("Go on-line once the layout is read."));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Grab the window into a file and exit."),
                                        QStringLiteral("file"));
    const QCommandLineOption until(QStringLiteral("until-running"),
                                   QStringLiteral("Seconds to wait for the devices first."),
                                   QStringLiteral("s"), QStringLiteral("20"));
    parser.addOptions({defs, port, online, screenshot, until});
    parser.process(app);

    TkxQtDispatcher dispatcher;
    dispatcher.Install();
    auto context = std::make_shared<TkxMBContext>();
    for (const QString& entry : parser.values(port)) {
        const qsizetype equals = entry.indexOf(QLatin1Char('='));
        bool number = false;
        const int comPort = entry.left(equals).toInt(&number);
        if (equals <= 0 || !number || comPort < 1) {
            std::fprintf(stderr, "qxdrive-network: --port wants N=PATH, not %s\n",
                         qPrintable(entry));
            return 2;
        }
        context->Ports().Set(comPort, entry.mid(equals + 1).toStdString());
    }

    TNetworkMonitorForm form(parser.value(defs), context);
    TkxQtDialogProvider provider(&form);
    provider.Install();
    if (!parser.positionalArguments().isEmpty() &&
        !form.OpenLayout(parser.positionalArguments().constFirst())) {
        std::fprintf(stderr, "qxdrive-network: cannot read %s\n",
                     qPrintable(parser.positionalArguments().constFirst()));
        if (parser.isSet(screenshot)) {
            return 1;
        }
    }
    form.show();
    if (parser.isSet(online)) {
        form.SetOnLine(true);
    }
    if (!parser.isSet(screenshot)) {
        return QApplication::exec();
    }

    const QString picture = parser.value(screenshot);
    const QDeadlineTimer deadline(parser.value(until).toInt() * 1000);
    int result = 1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const bool running = AllRunning(*form.Tree());
        if (!running && !deadline.hasExpired()) {
            return;
        }
        poll.stop();
        form.Tree()->expandAll();
        if (TkxDeviceSetup* first = nullptr; running) {
            for (QTreeWidgetItemIterator it(form.Tree()); *it != nullptr; ++it) {
                first = dynamic_cast<TkxDeviceSetup*>(TkxNetworkTreeView::NodeObject(*it));
                if (first != nullptr) {
                    form.Tree()->setCurrentItem(*it);
                    form.ReadRegisters(first);
                    break;
                }
            }
        }
        // Give the register answer a moment to arrive, then grab.
        QTimer::singleShot(1500, &form, [&] {
            result = form.grab().save(picture) ? (running ? 0 : 3) : 1;
            QApplication::quit();
        });
    });
    poll.start(100);
    QApplication::exec();
    return result;
}
