// A test fixture with a fresh fake Windows installed for the duration of each test, and the
// process-wide values as start-up leaves them on an NT-family system.
#pragma once

#include <gtest/gtest.h>

#include "app/globals.h"
#include "catalogue/font_list.h"
#include "platform/fake/fake_platform.h"

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
