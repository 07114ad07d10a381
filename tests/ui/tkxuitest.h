#pragma once

#include <QApplication>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>

// The QtTest classes of the user-interface tests, each registered under its name so that
// the test runner can run one class per test.
using TkxUiTestFactory = std::function<std::unique_ptr<QObject>()>;
std::map<std::string, TkxUiTestFactory>& TkxUiTests();

template <typename Test>
struct TkxUiTestRegistration {
    explicit TkxUiTestRegistration(const char* name) {
        TkxUiTests()[name] = [] { return std::make_unique<Test>(); };
    }
};

#define TKX_UI_TEST(Test) static const TkxUiTestRegistration<Test> Test##Registration(#Test)

// Acts on the modal window of type Window once the event loop next runs, as on a dialog that a
// call about to be made opens: the window is handed to act, which closes it. A modal window of
// another type is closed, so that a test that went wrong fails rather than waits.
template <typename Window>
void TkxOnNextModal(std::function<void(Window*)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        if (auto* window = qobject_cast<Window*>(QApplication::activeModalWidget())) {
            act(window);
        } else if (QWidget* other = QApplication::activeModalWidget()) {
            other->close();
        }
    });
}
