// WinMain of the installer. The command line and show mode are ignored; the exit code is
// always 0, whatever the pass reported in its message box.
#include "launcher/launcher.h"

extern "C" int __stdcall WinMain(struct HINSTANCE__*, struct HINSTANCE__*, char*, int) {
  launcher::RunLauncher();
  return 0;
}
