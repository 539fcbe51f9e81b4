// Helpers for the tests that run under Wine: a scratch folder of real files and the Win32 seam.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_platform.h"

// A fresh folder under the temporary folder, removed with everything in it afterwards.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder's path, without a trailing backslash.
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

  private:
    std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);

class Win32Test : public ::testing::Test {
  protected:
    platform::win32::Win32Platform windows;
    platform::ScopedPlatform scope{windows.Get()};
    ScratchFolder scratch;
};
