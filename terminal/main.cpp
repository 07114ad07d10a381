// The configuration terminal: one drive at a time on a serial port, or a drive of a chosen
// type offline. Its settings and definition files are looked for in the folder it starts in.
// See TStartup::Usage for the command line.
#include "tmainform.h"
#include "tstartupcls.h"
#include "tterminalcls.h"

#include "ui/tkxqtdialogprovidercls.h"
#include "ui/tkxqtdispatchercls.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <cstdio>
#include <exception>
#include <variant>

namespace {

// The definition files installed with the program: beside it, or in the build tree's tools
// folder when it runs from there.
std::string InstalledDefinitionFolder() {
    const QDir programDir(QCoreApplication::applicationDirPath());
    for (const QString& candidate : {programDir.path(), programDir.filePath("../tools")}) {
        const QDir dir(candidate);
        if (!dir.entryList({QStringLiteral("*.par")}, QDir::Files).isEmpty()) {
            return QDir::cleanPath(dir.absolutePath()).toStdString() + "/";
        }
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QX DRIVE - Configuration Terminal 1.3"));
    const QStringList arguments = QCoreApplication::arguments();
    if (TStartup::AsksForHelp(arguments)) {
        std::fputs(qPrintable(TStartup::Usage()), stdout);
        return 0;
    }
    const auto parsed = TStartup::Parse(arguments);
    if (const auto* problem = std::get_if<QString>(&parsed)) {
        std::fprintf(stderr, "qxdrive-terminal: %s\n%s", qPrintable(*problem),
                     qPrintable(TStartup::Usage()));
        return 2;
    }
    const TStartupOptions& options = std::get<TStartupOptions>(parsed);
    TkxQtDispatcher dispatcher;
    dispatcher.Install();
    try {
        const std::string appPath = QDir::currentPath().toStdString() + "/";
        TTerminal terminal(appPath, InstalledDefinitionFolder());
        TkxQtDialogProvider dialogs(&terminal.MainForm());
        dialogs.Install();
        TMainForm& form = terminal.MainForm();
        form.show();
        if (options.ConnectPort != 0) {
            TStartup::Connect(form, options.ConnectPort);
        }
        if (!options.Screenshot.isEmpty()) {
            const QString problem = TStartup::TakeScreenshot(form, options);
            form.close();
            if (!problem.isEmpty()) {
                std::fprintf(stderr, "qxdrive-terminal: %s\n", qPrintable(problem));
                return 1;
            }
            return 0;
        }
        return QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QApplication::applicationName(),
                              QString::fromLocal8Bit(error.what()));
        return 1;
    }
}
