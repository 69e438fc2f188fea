// Stand-in for the installation engine. The end-to-end tests package it as entry 0, so the
// launcher extracts it as tarnwick.exe and starts it. It writes what it saw into standin.txt
// beside its own executable and exits:
//
//   ran=1
//   module=<its own path>
//   cwd=<its current directory>
//   cmdline=<the whole command line>
//   args=<the command line after the program name, exactly as given>
//
// The file is written under another name and renamed, so a harness that waits for
// standin.txt never reads half of it.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

// Skips the program name the way the C runtime does: a quoted name runs to the closing
// quote, an unquoted one to the first blank. Whatever follows is returned untouched.
const char* AfterProgramName(const char* commandLine) {
  const char* p = commandLine;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
  }
  return p;
}

bool WriteAll(HANDLE file, const char* text) {
  DWORD length = static_cast<DWORD>(std::strlen(text));
  DWORD written = 0;
  return WriteFile(file, text, length, &written, nullptr) && written == length;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  char cwd[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, cwd);
  const char* commandLine = GetCommandLineA();

  char directory[MAX_PATH] = {};
  std::strcpy(directory, module);
  char* slash = std::strrchr(directory, '\\');
  if (slash != nullptr) *slash = '\0';
  char partial[MAX_PATH + 32];
  char report[MAX_PATH + 32];
  std::snprintf(partial, sizeof partial, "%s\\standin.part", directory);
  std::snprintf(report, sizeof report, "%s\\standin.txt", directory);

  HANDLE file = CreateFileA(partial, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  bool ok = WriteAll(file, "ran=1\r\nmodule=") && WriteAll(file, module) &&
            WriteAll(file, "\r\ncwd=") && WriteAll(file, cwd) && WriteAll(file, "\r\ncmdline=") &&
            WriteAll(file, commandLine) && WriteAll(file, "\r\nargs=") &&
            WriteAll(file, AfterProgramName(commandLine)) && WriteAll(file, "\r\n");
  CloseHandle(file);
  if (!ok) return 1;
  return MoveFileExA(partial, report, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
