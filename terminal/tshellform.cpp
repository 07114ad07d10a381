#include "tshellform.h"

#include "ttermsettingscls.h"

#include <QAction>
#include <QVBoxLayout>

TShellForm::TShellForm(const QString& name, const QString& caption,
                       std::initializer_list<const char*> actions, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(name);
    setWindowTitle(caption);
    resize(400, 300);
    for (const char* action : actions) {
        auto* made = new QAction(QString::fromLatin1(action), this);
        made->setObjectName(QString::fromLatin1(action));
        addAction(made);
        FActions.emplace(action, made);
    }
}

QAction* TShellForm::Action(const std::string& name) const {
    const auto found = FActions.find(name);
    return found != FActions.end() ? found->second : nullptr;
}

void TShellForm::ReadGeometry(TTermSettings& settings) {
    const std::string section = objectName().toStdString();
    move(settings.ReadInteger(section, "Left", 0), settings.ReadInteger(section, "Top", 0));
    resize(settings.ReadInteger(section, "Width", width()),
           settings.ReadInteger(section, "Height", height()));
}

void TShellForm::WriteGeometry(TTermSettings& settings) const {
    const std::string section = objectName().toStdString();
    settings.WriteInteger(section, "Top", y());
    settings.WriteInteger(section, "Left", x());
    settings.WriteInteger(section, "Width", width());
    settings.WriteInteger(section, "Height", height());
}

void TShellForm::ToggleVisible() {
    setVisible(!isVisible());
}
