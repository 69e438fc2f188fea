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
// GetModuleFileNameA of the running program into a buffer of capacity; the length (a name
// that does not fit is cut to capacity - 1 and the result is capacity, as the real call does).
uint32_t ModulePath(char* buffer, uint32_t capacity = kMaxPath);

// CreateFileA: read access, no sharing, existing file only (fails while anyone has it open).
Handle OpenInputFileExclusive(const char* path);
// CreateFileA: write access, no sharing, normal attributes, existing file only.
Handle OpenExistingOutputFile(const char* path);
// CreateFileA: write access, no sharing, normal attributes, only when the file is new.
Handle CreateNewOutputFile(const char* path);
// SetFilePointer to the end of the file.
bool SeekToEnd(Handle file);

inline constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;
inline constexpr uint32_t kAttributeDirectory = 0x10;

// What a directory search (FindFirstFileA + FindClose) reports for one path.
struct FoundFile {
  uint32_t attributes;
  FileTime creationTime;
  FileTime lastAccessTime;
  FileTime lastWriteTime;
};
// FindFirstFileA for path itself (no wild cards expected); false when nothing is found.
bool FindFile(const char* path, FoundFile* found);
// GetFileAttributesA; kInvalidAttributes when the path names nothing.
uint32_t QueryAttributes(const char* path);
// CopyFileA with replacing allowed: content, attributes and times travel with the copy.
bool CopyFileReplacing(const char* source, const char* target);
// RemoveDirectoryA: fails when the folder is not empty or does not exist.
bool RemoveFolder(const char* path);
// GetSystemDirectoryA / GetWindowsDirectoryA into buffer of capacity; the length, or the size
// needed (more than capacity - 1) when it does not fit, 0 on failure.
uint32_t SystemFolderPath(char* buffer, uint32_t capacity);
uint32_t WindowsFolderPath(char* buffer, uint32_t capacity);

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

// ---- registry ---------------------------------------------------------------------------

// An open key (HKEY). The two roots the engine uses are predefined.
using RegistryKey = void*;
inline RegistryKey const kCurrentUser = reinterpret_cast<RegistryKey>(0x80000001);
inline RegistryKey const kLocalMachine = reinterpret_cast<RegistryKey>(0x80000002);

inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegDword = 4;
// Registry error codes the callers look at (the values Windows uses).
inline constexpr int32_t kRegOk = 0;
inline constexpr int32_t kRegNotFound = 2;   // ERROR_FILE_NOT_FOUND
inline constexpr int32_t kRegMoreData = 234;  // ERROR_MORE_DATA

// RegOpenKeyExA with KEY_ALL_ACCESS; false when the key is missing or refuses full access.
bool OpenRegistryKey(RegistryKey parent, const char* subkey, RegistryKey* key);
// RegCreateKeyExA with KEY_ALL_ACCESS: opens the key, creating it (and missing parents).
bool CreateRegistryKey(RegistryKey parent, const char* subkey, RegistryKey* key);
// RegQueryValueExA: *size holds the buffer's capacity and receives the value's size; *type
// receives its type. The registry's error code: kRegOk, kRegNotFound for a missing value,
// kRegMoreData when the value is larger than the buffer (nothing copied then).
int32_t QueryRegistryValue(RegistryKey key, const char* name, uint32_t* type, void* buffer,
                           uint32_t* size);
// RegSetValueExA: REG_SZ of the text's length + 1 bytes; REG_DWORD of 4 bytes.
bool SetRegistryString(RegistryKey key, const char* name, const char* text);
bool SetRegistryDword(RegistryKey key, const char* name, uint32_t value);
// RegDeleteValueA.
bool DeleteRegistryValue(RegistryKey key, const char* name);
// RegEnumKeyA: the name of the index-th subkey; false when there is none (or it does not fit).
bool EnumerateRegistrySubkey(RegistryKey key, uint32_t index, char* name, uint32_t capacity);
// RegDeleteKeyA of a direct or deeper subkey.
bool DeleteRegistrySubkey(RegistryKey parent, const char* subkey);
// RegCloseKey.
bool CloseRegistryKey(RegistryKey key);

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

// MessageBoxA styles and answers (the values Windows uses).
inline constexpr uint32_t kMbOk = 0x00000000;
inline constexpr uint32_t kMbYesNo = 0x00000004;
inline constexpr uint32_t kMbIconStop = 0x00000010;  // also the error icon
inline constexpr uint32_t kMbIconQuestion = 0x00000020;
inline constexpr int kIdOk = 1;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
// MessageBoxA with no owner window; the button pressed.
int ShowMessageBox(const char* text, const char* caption, uint32_t style);

// LoadStringA from the running module; the characters copied, 0 when there is no such string.
uint32_t LoadStringResource(uint32_t id, char* buffer, uint32_t capacity);

// A font (HFONT) and what CreateFontA is asked for.
using Font = void*;
struct FontRequest {
  int height;
  int width;
  int escapement;
  int orientation;
  int weight;
  uint32_t italic;
  uint32_t underline;
  uint32_t strikeOut;
  uint32_t charSet;
  uint32_t outputPrecision;
  uint32_t clipPrecision;
  uint32_t quality;
  uint32_t pitchAndFamily;
  const char* face;
};
// CreateFontA; nullptr on failure.
Font CreateFontFrom(const FontRequest& request);
// GetDC(nullptr) + GetDeviceCaps(LOGPIXELSY) + ReleaseDC: the screen's pixels per inch.
int ScreenPixelsPerInchY();

// A window (HWND) and its rectangle in screen coordinates.
using Window = void*;
struct Rect {
  int left;
  int top;
  int right;
  int bottom;
};
// GetWindowRect of GetDesktopWindow().
bool DesktopRect(Rect* rect);
// GetWindowRect.
bool WindowRect(Window window, Rect* rect);
// SetWindowPos to (x, y) with SWP_NOSIZE | SWP_NOZORDER.
bool MoveWindowTo(Window window, int x, int y);

// ---- COM, shell links and libraries -------------------------------------------------------

// CoInitialize(nullptr) for the calling thread; false when it failed. CoUninitialize.
bool InitializeCom();
void UninitializeCom();

// The shell's link object (IShellLinkA with its IPersistFile); nullptr when CoCreateInstance
// or QueryInterface failed.
using ShellLink = void*;
ShellLink CreateShellLink();
// IShellLinkA::SetPath and SetIconLocation.
bool SetShellLinkTarget(ShellLink link, const char* target);
bool SetShellLinkIcon(ShellLink link, const char* path, int index);
// IPersistFile::Save(remember = TRUE) to path, converted to UTF-16 with the ANSI code page.
bool SaveShellLink(ShellLink link, const char* path);
// Releases both interfaces.
void ReleaseShellLink(ShellLink link);

enum class LibraryCall { kNotLoaded, kNoExport, kCalled };
// LoadLibraryExA(path, LOAD_WITH_ALTERED_SEARCH_PATH), GetProcAddress(exportName), a call of
// the export as a function without arguments returning an HRESULT (*result), FreeLibrary.
LibraryCall CallLibraryExport(const char* path, const char* exportName, int32_t* result);

inline constexpr int kShowNormal = 5;  // SW_SHOW
// WinExec: starts a command line in the caller's current directory; >31 on success.
uint32_t StartProgram(const char* commandLine, int showMode);

}  // namespace platform
