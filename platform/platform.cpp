#include "platform/platform.h"

#include <cstdlib>

namespace platform {

namespace {
Platform* current = nullptr;
}

Platform& Current() {
    // Using the seam before an implementation is installed is a programming error.
    if (current == nullptr) {
        std::abort();
    }
    return *current;
}

ScopedPlatform::ScopedPlatform(Platform& platform) : previous_(current) {
    current = &platform;
}

ScopedPlatform::~ScopedPlatform() {
    current = previous_;
}

}  // namespace platform
