#include "devices/tkxdialogprovider.h"

#include <gtest/gtest.h>

namespace {

TEST(TkxDialogProvider, OnlyTheInstalledProviderCanBeUninstalled) {
    EXPECT_EQ(TkxGetDialogProvider(), nullptr);
    TkxDialogProvider first;
    TkxDialogProvider second;
    TkxInstallDialogProvider(&first);
    TkxInstallDialogProvider(&second);
    EXPECT_EQ(TkxGetDialogProvider(), &second);
    TkxUninstallDialogProvider(&first);
    EXPECT_EQ(TkxGetDialogProvider(), &second) << "a stale provider must not remove the current";
    TkxUninstallDialogProvider(&second);
    EXPECT_EQ(TkxGetDialogProvider(), nullptr);
}

} // namespace
