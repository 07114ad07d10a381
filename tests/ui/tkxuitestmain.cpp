// Runs the user-interface test classes: "tkx_ui_tests CLASS [QtTest options]" runs one,
// "tkx_ui_tests" all of them.
#include "ui/tkxuitest.h"

#include "ui/tkxqtdispatchercls.h"

#include <QApplication>
#include <QTest>

#include <cstdio>
#include <vector>

std::map<std::string, TkxUiTestFactory>& TkxUiTests() {
    static std::map<std::string, TkxUiTestFactory> tests;
    return tests;
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TkxQtDispatcher dispatcher;
    dispatcher.Install();
    std::vector<char*> args(argv, argv + argc);
    std::vector<std::string> names;
    if (args.size() > 1 && TkxUiTests().contains(args[1])) {
        names.emplace_back(args[1]);
        args.erase(args.begin() + 1);
    } else {
        for (const auto& [name, factory] : TkxUiTests()) {
            names.push_back(name);
        }
    }
    int failed = 0;
    for (const std::string& name : names) {
        const std::unique_ptr<QObject> test = TkxUiTests().at(name)();
        failed += QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
    }
    return failed == 0 ? 0 : 1;
}
