// A test fixture with a fresh fake Windows installed for the duration of each test, and the
// process-wide values as start-up leaves them on an NT-family system.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "process/globals.h"
#include "catalogue/font_list.h"
#include "common/cp932.h"
#include "platform/fake/fake_platform.h"
#include "services/destination.h"
#include "services/folders.h"
#include "services/progress_dialog.h"

class FakeWindowsTest : public ::testing::Test {
  protected:
    FakeWindowsTest() {
        FontList.clear();
        PlatformId = 2;
        OsClass = OsVistaOrLater;
    }
    ~FakeWindowsTest() override { FontList.clear(); }

    fake::FakePlatform fake;
    platform::ScopedPlatform scope{fake.Platform()};
};

// Another Windows, fresh, for one case of a loop: installed while it lives, with a copy
// progress dialog open that ProgressDialog names.
struct FreshWindows {
    FreshWindows() : previousDialog(ProgressDialog) { ProgressDialog = progress; }
    ~FreshWindows() { ProgressDialog = previousDialog; }
    FreshWindows(const FreshWindows&) = delete;
    FreshWindows& operator=(const FreshWindows&) = delete;

    fake::FakePlatform windows;
    platform::ScopedPlatform scope{windows.Platform()};
    platform::WindowHandle progress =
        windows.CreateDialogParam(nullptr, 131, nullptr, ProgressDialogProc, 0);
    platform::WindowHandle previousDialog;
};

// A destination as the install command hands it on, in the Windows installed now: the Fonts
// folder resolved, any other folder checked and held. It must pass.
inline Destination HeldDestination(const std::string& folder) {
    Destination destination(folder, cp932::EqualsIgnoreCase(folder, GetFontsFolder() + "\\"));
    EXPECT_EQ(destination.HoldLevels(), Destination::Hold::Held) << folder;
    return destination;
}
