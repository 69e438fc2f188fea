// The operating system as our modules see it. Two backends implement it: platform/win32
// (the real Windows calls) and platform/sim (a simulated Windows for host tests).
// Texts are single-byte ANSI strings; paths use '\' separators.
#pragma once
#include <cstddef>
#include <cstdint>

namespace platform {

// An open file (or other kernel object); kNoHandle when an open failed.
using Handle = void*;
inline constexpr Handle kNoHandle = nullptr;

// A cursor as the system hands it out; only ever given back.
using Cursor = void*;

// A FILETIME: 100-nanosecond intervals since 1601-01-01 00:00 UTC.
using FileTime = uint64_t;

inline constexpr uint32_t kMaxPath = 260;

// ---- files and directories --------------------------------------------------------------

// CreateFileA: write access, no sharing, always create (truncates), normal attributes.
Handle CreateOutputFile(const char* path);
// CreateFileA: read access, sharing read and write, existing file only, normal attributes.
Handle OpenInputFile(const char* path);
// ReadFile: *got receives the count actually read (fewer at the end of the file).
bool ReadBytes(Handle file, void* buffer, uint32_t count, uint32_t* got);
// WriteFile, no overlapped I/O.
bool WriteBytes(Handle file, const void* data, uint32_t count, uint32_t* written);
// SetFilePointer from the beginning of the file.
bool SeekTo(Handle file, uint32_t offset);
// GetFileSize (the low 32 bits; files here never reach 4 GiB).
bool QueryFileSize(Handle file, uint32_t* size);
// SetFileTime through an open handle.
bool SetFileTimes(Handle file, FileTime creation, FileTime lastAccess, FileTime lastWrite);
// CloseHandle.
bool CloseFile(Handle file);
// SetFileAttributesA, by path.
bool SetAttributes(const char* path, uint32_t attributes);
// CreateDirectoryA with default security.
bool MakeDirectory(const char* path);
// DeleteFileA.
bool RemoveFile(const char* path);
// GetTempPathA into a buffer of kMaxPath; the length, 0 on failure.
uint32_t TempFolderPath(char* buffer);
// GetTempFileNameA with unique number 0: creates an empty file "<folder>\<prefix><hex>.TMP"
// and writes its path into a buffer of kMaxPath; the number used, 0 on failure.
uint32_t UniqueTempName(const char* folder, const char* prefix, char* buffer);
// GetModuleFileNameA of the running program into a buffer of kMaxPath; the length.
uint32_t ModulePath(char* buffer);

// ---- INI files ----------------------------------------------------------------------

// GetPrivateProfileStringA: the value of key in section of the INI file at path, or
// defaultText when the key, the section or the file is absent; cut to capacity - 1
// characters (capacity >= 1). Section and key names match without regard to case; the
// value loses the blanks around it and one pair of enclosing quotes. The characters stored.
uint32_t ReadProfileString(const char* section, const char* key, const char* defaultText,
                           char* buffer, uint32_t capacity, const char* path);
// GetPrivateProfileIntA: the number at the start of the key's value, or defaultValue when
// the key is absent.
uint32_t ReadProfileInt(const char* section, const char* key, int32_t defaultValue,
                        const char* path);

// ---- memory -----------------------------------------------------------------------------

// HeapAlloc on the process heap; nullptr when memory is exhausted.
void* AllocateMemory(size_t size);
void FreeMemory(void* block);

// ---- screen, cursor, messages, programs -------------------------------------------------

struct ScreenSize {
  int width;
  int height;
};
// GetDeviceCaps HORZRES and VERTRES of the whole screen's device context.
ScreenSize QueryScreenSize();
// Copies the top-left width x height block of the module's bitmap resource onto the screen
// at (x, y) with SRCCOPY; no window is involved. False when the bitmap cannot be loaded.
bool CopyBitmapToScreen(int bitmapId, int width, int height, int x, int y);

// LoadCursor(IDC_WAIT) + SetCursor; returns the cursor it replaced.
Cursor ShowWaitCursor();
// SetCursor.
void RestoreCursor(Cursor previous);

// MessageBoxA styles (the values Windows uses).
inline constexpr uint32_t kMbOk = 0x00000000;
inline constexpr uint32_t kMbIconStop = 0x00000010;
// MessageBoxA with no owner window; the button pressed.
int ShowMessageBox(const char* text, const char* caption, uint32_t style);

inline constexpr int kShowNormal = 5;  // SW_SHOW
// WinExec: starts a command line in the caller's current directory; >31 on success.
uint32_t StartProgram(const char* commandLine, int showMode);

}  // namespace platform
