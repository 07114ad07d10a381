#pragma once

#include <QWidget>

#include <initializer_list>
#include <map>
#include <string>

class QAction;
class TTermSettings;

// A window of the terminal whose content comes later: its caption, its place on the screen
// kept in the settings file under its name, and the named actions the main window switches
// with the connection. Hidden until opened.
class TShellForm : public QWidget {
    Q_OBJECT
public:
    TShellForm(const QString& name, const QString& caption,
               std::initializer_list<const char*> actions, QWidget* parent = nullptr);

    // The action of that name; null for a name the window does not have.
    QAction* Action(const std::string& name) const;
    void ReadGeometry(TTermSettings& settings);
    void WriteGeometry(TTermSettings& settings) const;
    // Shows a hidden window, hides a shown one.
    void ToggleVisible();
    // Whether the window may close now; a window that holds unfinished work asks the user.
    virtual bool CloseQuery() { return true; }

private:
    std::map<std::string, QAction*> FActions;
};
