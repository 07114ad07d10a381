#pragma once

#include <QObject>

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
