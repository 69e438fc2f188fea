// A start-up routine in place of the C runtime's: the launcher needs none of the runtime's
// services, and leaving it out halves the image. It hands WinMain what the runtime would
// and ends the process with WinMain's result.
#include <windows.h>

#include <cstddef>

#include "platform/platform.h"

extern "C" int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int);

// The program's own name, quoted or not, and the blanks after it are not arguments.
static char* SkipProgramName(char* line) {
  bool quoted = false;
  while (*line != '\0' && (quoted || (*line != ' ' && *line != '\t'))) {
    if (*line == '"') quoted = !quoted;
    ++line;
  }
  while (*line == ' ' || *line == '\t') ++line;
  return line;
}

extern "C" void __stdcall TarnwickEntry() {
  STARTUPINFOA startup;
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
  int code = WinMain(GetModuleHandleA(nullptr), nullptr, SkipProgramName(GetCommandLineA()), show);
  ExitProcess(static_cast<UINT>(code));
}

// Without the runtime, the deleting destructors of classes with virtual destructors need
// these; the programs built this way never delete through them, but they free correctly.
void operator delete(void* block) noexcept { platform::FreeMemory(block); }
void operator delete(void* block, std::size_t) noexcept { platform::FreeMemory(block); }
