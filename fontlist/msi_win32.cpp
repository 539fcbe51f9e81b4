// Windows has msi.dll and cabinet.dll, but the package is built by the Linux tool with msitools
// only, so that one implementation is proven and shipped.
#include "fontlist/msi.h"

namespace fontlist {

std::unique_ptr<MsiTools> OpenMsiTools() {
    return nullptr;
}

}  // namespace fontlist
