// The installer's entry point: splash, extraction of the package into a fresh temporary
// directory, status message, start of the installation engine.
#pragma once
#include "package/package_format.h"
#include "platform/platform.h"

namespace launcher {

enum LaunchStatus : int {
  kLaunchOk = 0,
  kNoPackage = 1,
  kCantOpenArchive = 2,
  kFileAccessError = 3,
};

// The text shown for a status ("No Error" for 0, never shown).
const char* LaunchStatusText(int status);

// Where the 134 x 51 splash lands: centred, the division truncating toward zero.
struct SplashOrigin {
  int x;
  int y;
};
SplashOrigin SplashPosition(platform::ScreenSize screen);

// The whole pass. Returns the status it ended with; the program itself always exits 0.
int RunLauncher();

// In the launcher's writable data; the packaging tool patches the offset in the image.
extern package::PackageLocator gPackageLocator;

}  // namespace launcher
