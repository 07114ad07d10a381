#pragma once

#include <QString>
#include <QStringList>

#include <variant>

class TMainForm;
class TTerminal;

// What the command line asks of the terminal beyond its usual start: a connection opened at
// once, and a picture of the main window taken once it shows a live drive.
struct TStartupOptions {
    // 1..8 connects to COMn at start-up; 0 leaves the connection to the user.
    int ConnectPort = 0;
    // Where the picture of the main window goes; empty for none.
    QString Screenshot;
    // How long the picture waits for the window, and for a live drive when connecting.
    int ScreenshotWaitMs = 30000;
};

class TStartup {
public:
    // The options of the arguments (the program's name first); the reason when they make no
    // sense. --help is answered by Usage().
    static std::variant<TStartupOptions, QString> Parse(const QStringList& arguments);
    static QString Usage();
    static bool AsksForHelp(const QStringList& arguments);

    // The main window shows a live drive: the connection runs, both state lists hold values and
    // the fault list is filled.
    static bool ShowsLiveDrive(const TMainForm& form);
    // Selects the port and opens the connection, as the user would.
    static void Connect(TMainForm& form, int port);
    // Waits until the main window is on the screen (and, with a connection asked for, shows a
    // live drive), then saves its picture. An empty text on success, else what went wrong.
    static QString TakeScreenshot(TMainForm& form, const TStartupOptions& options);
};
