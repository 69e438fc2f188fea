#include "launcher/launcher.h"

namespace launcher {

// Initialised and writable, so it lands in .data where the packaging tool can find it by
// its tags and fill in the offset.
package::PackageLocator gPackageLocator = package::kEmptyLocator;

}  // namespace launcher
