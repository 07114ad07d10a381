// The configuration terminal: one drive at a time on a serial port, or a drive of a chosen
// type offline. Its settings and definition files are looked for in the folder it starts in.
#include "tmainform.h"
#include "tterminalcls.h"

#include "ui/tkxqtdialogprovidercls.h"
#include "ui/tkxqtdispatchercls.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <exception>

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
    TkxQtDispatcher dispatcher;
    dispatcher.Install();
    try {
        const std::string appPath = QDir::currentPath().toStdString() + "/";
        TTerminal terminal(appPath, InstalledDefinitionFolder());
        TkxQtDialogProvider dialogs(&terminal.MainForm());
        dialogs.Install();
        terminal.MainForm().show();
        return QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QApplication::applicationName(),
                              QString::fromLocal8Bit(error.what()));
        return 1;
    }
}
