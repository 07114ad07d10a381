#pragma once

#include "tmainform.h"
#include "tterminalcls.h"

#include "support/simprocess.h"
#include "support/tkxtempfolder.h"
#include "ui/tkxparrows.h"
#include "ui/tkxuserinterfaceutilscmp.h"

#include <QLocalSocket>
#include <QStringList>
#include <QTest>
#include <QTreeWidget>

#include <memory>
#include <string>
#include <vector>

// The terminal on COM1, mapped by its settings file to the simulated demo drive, whose
// control socket injects faults and sets inputs. The drive model runs speedup times faster
// than real time.
class TSimSession {
public:
    static constexpr int WaitMs = 20000;

    explicit TSimSession(int speedup = 10) {
        FSim = std::make_unique<qxsim::SimProcess>(std::vector<std::string>{
            "--demo", "--link", FFolder.PathOf("drive"), "--control", FFolder.PathOf("control"),
            "--speedup", std::to_string(speedup)});
        FFolder.Write("QX_DRIVE_ConfigTerm.ini", "[Ports]\r\nCOM1=" + FFolder.PathOf("drive") +
                                                     "\r\n[Setup]\r\nLastPort=1\r\n");
        FTerminal =
            std::make_unique<TTerminal>(FFolder.Dir(), std::string(TKX_BINARY_DIR) + "/tools/");
        Form().ShowMessage = [this](const QString& message) { Messages << message; };
        // Lists that are not shown are brought up to date only when they are.
        Form().show();
    }

    bool Started() const { return FSim->Started(); }
    QString Problem() const { return QString::fromStdString(FSim->Banner()); }
    TMainForm& Form() const { return FTerminal->MainForm(); }
    TTerminal& Terminal() const { return *FTerminal; }
    qxsim::SimProcess& Sim() const { return *FSim; }

    bool Logged(const QString& line) const { return Form().LogLines().contains(line); }
    bool WaitLogged(const QString& line) const {
        return QTest::qWaitFor([&] { return Logged(line); }, WaitMs);
    }

    // One command line on the control socket; its answer.
    QString Control(const QString& command) {
        QLocalSocket socket;
        socket.connectToServer(QString::fromStdString(FFolder.PathOf("control")));
        if (!socket.waitForConnected(WaitMs)) {
            return QStringLiteral("no control socket");
        }
        socket.write((command + QLatin1Char('\n')).toUtf8());
        socket.flush();
        while (!socket.canReadLine() && socket.waitForReadyRead(WaitMs)) {
        }
        return QString::fromUtf8(socket.readLine()).trimmed();
    }

    QStringList Messages;

private:
    TkxTempFolder FFolder;
    std::unique_ptr<qxsim::SimProcess> FSim;
    std::unique_ptr<TTerminal> FTerminal;
};

// The value column of a bound list, row by row.
inline QStringList ListValues(const QTreeWidget* list) {
    int column = 0;
    while (column < list->columnCount() &&
           TkxUserInterfaceUtils::ColumnTag(list, column) != ckValue) {
        ++column;
    }
    QStringList values;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        values << list->topLevelItem(row)->text(column);
    }
    return values;
}

// The parameter of each row of a bound list, null for a separator.
inline std::vector<TkxParValue*> ListParameters(const QTreeWidget* list) {
    std::vector<TkxParValue*> rows;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        rows.push_back(TkxParOfItem(list->topLevelItem(row)));
    }
    return rows;
}
