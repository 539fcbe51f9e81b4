// A test fixture with a fresh fake Windows installed for the duration of each test.
#pragma once

#include <gtest/gtest.h>

#include "catalogue/font_list.h"
#include "platform/fake/fake_platform.h"

class FakeWindowsTest : public ::testing::Test {
  protected:
    FakeWindowsTest() { FontList.clear(); }
    ~FakeWindowsTest() override { FontList.clear(); }

    fake::FakePlatform fake;
    platform::ScopedPlatform scope{fake.Platform()};
};
