#include "tstartupcls.h"

#include "tmainform.h"

#include "ui/tkxparrows.h"
#include "ui/tkxuserinterfaceutilscmp.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QWindow>

#include <functional>

namespace {

const QString kRunning = QStringLiteral("Device found. Communication running.");

// Every row of the list shows a value.
bool HoldsValues(const QTreeWidget* list) {
    int value = 0;
    while (value < list->columnCount() &&
           TkxUserInterfaceUtils::ColumnTag(list, value) != ckValue) {
        ++value;
    }
    if (list->topLevelItemCount() == 0 || value == list->columnCount()) {
        return false;
    }
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = list->topLevelItem(row);
        // Separator rows carry no parameter and stay empty.
        if (TkxParOfItem(item) != nullptr && item->text(value).isEmpty()) {
            return false;
        }
    }
    return true;
}

// Runs the event loop until the condition holds or the deadline passes.
bool WaitFor(const std::function<bool()>& condition, const QDeadlineTimer& deadline) {
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

} // namespace

std::variant<TStartupOptions, QString> TStartup::Parse(const QStringList& arguments) {
    TStartupOptions options;
    for (int at = 1; at < arguments.size(); ++at) {
        const QString& argument = arguments.at(at);
        const int equals = argument.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? argument : argument.left(equals);
        if (name != QStringLiteral("--connect") && name != QStringLiteral("--screenshot")) {
            return QStringLiteral("unknown option %1").arg(argument);
        }
        QString value;
        if (equals >= 0) {
            value = argument.mid(equals + 1);
        } else if (at + 1 < arguments.size()) {
            value = arguments.at(++at);
        }
        if (value.isEmpty()) {
            return QStringLiteral("%1 needs a value").arg(name);
        }
        if (name == QStringLiteral("--screenshot")) {
            options.Screenshot = value;
            continue;
        }
        const QString upper = value.toUpper();
        bool ok = false;
        const int port = upper.startsWith(QStringLiteral("COM")) ? upper.mid(3).toInt(&ok) : 0;
        if (!ok || port < 1 || port > 8) {
            return QStringLiteral("--connect takes a port COM1 to COM8, not %1").arg(value);
        }
        options.ConnectPort = port;
    }
    return options;
}

bool TStartup::AsksForHelp(const QStringList& arguments) {
    return arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"));
}

QString TStartup::Usage() {
    return QStringLiteral(
        "usage: qxdrive-terminal [--connect COMn] [--screenshot FILE.png]\n"
        "The settings file and the definition files are looked for in the folder it starts in;\n"
        "the settings' [Ports] section maps COM1..COM8 to device paths.\n"
        "  --connect COMn       select COMn (1..8) and connect at once\n"
        "  --screenshot FILE    save a picture of the main window and end: once it is shown,\n"
        "                       or with --connect once the drive is found and its state\n"
        "                       lists hold values (at most 30 s; status 1 when it never is)\n");
}

bool TStartup::ShowsLiveDrive(const TMainForm& form) {
    return form.LogLines().contains(kRunning) && HoldsValues(form.lvHwInfo) &&
           HoldsValues(form.lvActState) && !form.ActFaultMemo->document()->isEmpty();
}

void TStartup::Connect(TMainForm& form, int port) {
    form.SelectPort(port);
    if (form.Port() == port && form.acOpenConnection->isEnabled()) {
        form.acOpenConnection->trigger();
    }
}

QString TStartup::TakeScreenshot(TMainForm& form, const TStartupOptions& options) {
    const QDeadlineTimer deadline(options.ScreenshotWaitMs);
    if (!WaitFor([&] { return form.windowHandle() != nullptr && form.windowHandle()->isExposed(); },
                 deadline)) {
        return QStringLiteral("the main window was never shown");
    }
    if (options.ConnectPort != 0 && !WaitFor([&] { return ShowsLiveDrive(form); }, deadline)) {
        return QStringLiteral("no live drive on COM%1; the log says:\n%2")
            .arg(options.ConnectPort)
            .arg(form.LogLines().join(QLatin1Char('\n')));
    }
    // The last refresh painted.
    QCoreApplication::processEvents();
    if (!form.grab().save(options.Screenshot)) {
        return QStringLiteral("cannot write %1").arg(options.Screenshot);
    }
    return {};
}
