// The real Windows behind the platform interface.
#include <windows.h>

#include "platform/platform.h"

namespace platform {

static Handle FromWin(HANDLE h) { return h == INVALID_HANDLE_VALUE ? kNoHandle : h; }

static FILETIME ToWin(FileTime t) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(t);
  ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
  return ft;
}

Handle CreateOutputFile(const char* path) {
  return FromWin(
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

Handle OpenInputFile(const char* path) {
  return FromWin(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool ReadBytes(Handle file, void* buffer, uint32_t count, uint32_t* got) {
  DWORD n = 0;
  BOOL ok = ReadFile(file, buffer, count, &n, nullptr);
  *got = n;
  return ok != 0;
}

bool WriteBytes(Handle file, const void* data, uint32_t count, uint32_t* written) {
  DWORD n = 0;
  BOOL ok = WriteFile(file, data, count, &n, nullptr);
  *written = n;
  return ok != 0;
}

bool SeekTo(Handle file, uint32_t offset) {
  LONG high = 0;
  DWORD low = SetFilePointer(file, static_cast<LONG>(offset), &high, FILE_BEGIN);
  return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

bool QueryFileSize(Handle file, uint32_t* size) {
  DWORD high = 0;
  DWORD low = GetFileSize(file, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
  *size = high != 0 ? 0xFFFFFFFFu : low;
  return true;
}

bool SetFileTimes(Handle file, FileTime creation, FileTime lastAccess, FileTime lastWrite) {
  FILETIME c = ToWin(creation), a = ToWin(lastAccess), w = ToWin(lastWrite);
  return SetFileTime(file, &c, &a, &w) != 0;
}

bool CloseFile(Handle file) { return CloseHandle(file) != 0; }

bool SetAttributes(const char* path, uint32_t attributes) {
  return SetFileAttributesA(path, attributes) != 0;
}

bool MakeDirectory(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

bool RemoveFile(const char* path) { return DeleteFileA(path) != 0; }

uint32_t TempFolderPath(char* buffer) { return GetTempPathA(kMaxPath, buffer); }

uint32_t UniqueTempName(const char* folder, const char* prefix, char* buffer) {
  return GetTempFileNameA(folder, prefix, 0, buffer);
}

uint32_t ModulePath(char* buffer, uint32_t capacity) {
  return GetModuleFileNameA(nullptr, buffer, capacity);
}

void* AllocateMemory(size_t size) { return HeapAlloc(GetProcessHeap(), 0, size); }

void FreeMemory(void* block) {
  if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

ScreenSize QueryScreenSize() {
  HDC screen = GetDC(nullptr);
  ScreenSize size{GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, VERTRES)};
  ReleaseDC(nullptr, screen);
  return size;
}

// The contexts and the bitmap stay allocated until the process ends: the picture has to
// outlive this call, and the process is short.
bool CopyBitmapToScreen(int bitmapId, int width, int height, int x, int y) {
  HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId));
  if (bitmap == nullptr) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  SelectObject(memory, bitmap);
  return BitBlt(screen, x, y, width, height, memory, 0, 0, SRCCOPY) != 0;
}

Cursor ShowWaitCursor() { return SetCursor(LoadCursorA(nullptr, IDC_WAIT)); }

void RestoreCursor(Cursor previous) { SetCursor(static_cast<HCURSOR>(previous)); }

int ShowMessageBox(const char* text, const char* caption, uint32_t style) {
  return MessageBoxA(nullptr, text, caption, style);
}

uint32_t StartProgram(const char* commandLine, int showMode) {
  return WinExec(commandLine, static_cast<UINT>(showMode));
}

}  // namespace platform
