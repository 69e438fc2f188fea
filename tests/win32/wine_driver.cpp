// In-Wine test driver: answers the questions the end-to-end harness cannot answer from Linux.
// One command per run; results go to standard output as key=value lines.
//
//   msgbox-wait TIMEOUT_MS    wait for a visible message box (dialog class #32770) and print
//                             its caption, text, visible buttons, owner and icon
//   msgbox-close TIMEOUT_MS   press OK on the message box and wait until it is gone
//   stat PATH...              attributes, the three FILETIMEs and the size, as
//                             GetFileAttributesEx reports them
//   probe PATH ATTR CREATION ACCESS WRITE
//                             create PATH, give it the three times through its handle and
//                             then the attributes by path (the launcher's order), and print
//                             each call's result and what stat reads back
//   headers INSTALLER         read the package behind a launcher image independently of the
//                             product's reader: locator, table and every entry header
//   processes                 the executable name of every running process, one a line
//   temppath                  GetTempPath
//
// Exit codes: 0 done, 1 the condition did not hold (timeout, missing file, bad package),
// 2 usage.
#include <windows.h>
// After windows.h, whose types it uses.
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD kPollMs = 20;

uint64_t ToU64(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME ToFiletime(uint64_t value) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(value);
  time.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return time;
}

// ---- message boxes -------------------------------------------------------------------------

BOOL CALLBACK FindVisibleDialog(HWND hwnd, LPARAM found) {
  char className[64];
  if (IsWindowVisible(hwnd) && GetClassNameA(hwnd, className, sizeof className) &&
      std::strcmp(className, "#32770") == 0) {
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForMessageBox(DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND box = nullptr;
    EnumWindows(FindVisibleDialog, reinterpret_cast<LPARAM>(&box));
    if (box != nullptr) return box;
    if (GetTickCount() - start >= timeoutMs) return nullptr;
    Sleep(kPollMs);
  }
}

struct Children {
  HWND text = nullptr;
  HWND icon = nullptr;
  std::vector<HWND> buttons;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
  Children* children = reinterpret_cast<Children*>(param);
  char className[64] = {};
  GetClassNameA(child, className, sizeof className);
  LONG style = GetWindowLongA(child, GWL_STYLE);
  if (_stricmp(className, "Button") == 0) {
    if (IsWindowVisible(child)) children->buttons.push_back(child);
  } else if (_stricmp(className, "Static") == 0) {
    if ((style & SS_TYPEMASK) == SS_ICON)
      children->icon = child;
    else if (GetDlgCtrlID(child) == 0xFFFF)
      children->text = child;
  }
  return TRUE;
}

// Reads a 32-bit top-down copy of a w x h block from a device context.
std::vector<uint32_t> Grab(HDC source, int x, int y, int w, int h) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, source, x, y, SRCCOPY);
  GdiFlush();
  std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits),
                               static_cast<const uint32_t*>(bits) + w * h);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
  for (uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
  return pixels;
}

// An icon drawn the way a static control draws it, over a plain background.
std::vector<uint32_t> Render(HICON icon, int w, int h, COLORREF background) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(memory, bitmap);
  HBRUSH brush = CreateSolidBrush(background);
  RECT all = {0, 0, w, h};
  FillRect(memory, &all, brush);
  DeleteObject(brush);
  DrawIconEx(memory, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
  std::vector<uint32_t> pixels = Grab(memory, 0, 0, w, h);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

// Which of the system's message-box icons the screen shows in the icon control. Icon handles
// belong to the process that loaded them, so the comparison is made on pixels: every pixel a
// candidate covers opaquely (the same over black and over white) must match the screen.
const char* IdentifyIcon(HWND iconControl, DWORD timeoutMs) {
  if (iconControl == nullptr || !IsWindowVisible(iconControl)) return "none";
  DWORD_PTR shownIcon = 0;
  if (SendMessageTimeoutA(iconControl, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &shownIcon) &&
      shownIcon == 0)
    return "none";
  struct Candidate {
    const char* name;
    LPCSTR id;
    std::vector<uint32_t> onBlack, onWhite;
  } candidates[] = {
      {"stop", MAKEINTRESOURCEA(32513), {}, {}},         // IDI_HAND
      {"question", MAKEINTRESOURCEA(32514), {}, {}},     // IDI_QUESTION
      {"warning", MAKEINTRESOURCEA(32515), {}, {}},      // IDI_EXCLAMATION
      {"information", MAKEINTRESOURCEA(32516), {}, {}},  // IDI_ASTERISK
  };
  RECT rect;
  GetWindowRect(iconControl, &rect);
  int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (w <= 0 || h <= 0) return "none";
  for (Candidate& candidate : candidates) {
    HICON icon = LoadIconA(nullptr, candidate.id);
    candidate.onBlack = Render(icon, w, h, RGB(0, 0, 0));
    candidate.onWhite = Render(icon, w, h, RGB(255, 255, 255));
  }
  // Poll: the box may be visible before its children have reached the screen.
  DWORD start = GetTickCount();
  for (;;) {
    HDC screen = GetDC(nullptr);
    std::vector<uint32_t> shown = Grab(screen, rect.left, rect.top, w, h);
    ReleaseDC(nullptr, screen);
    for (const Candidate& candidate : candidates) {
      int opaque = 0, matching = 0;
      for (size_t i = 0; i < shown.size(); ++i) {
        if (candidate.onBlack[i] != candidate.onWhite[i]) continue;
        ++opaque;
        if (shown[i] == candidate.onBlack[i]) ++matching;
      }
      if (opaque > w * h / 8 && matching == opaque) return candidate.name;
    }
    if (GetTickCount() - start >= timeoutMs) return "unknown";
    Sleep(kPollMs);
  }
}

int MessageBoxWait(DWORD timeoutMs) {
  HWND box = WaitForMessageBox(timeoutMs);
  if (box == nullptr) {
    std::printf("msgbox=none\n");
    return 1;
  }
  char caption[256] = {};
  GetWindowTextA(box, caption, sizeof caption);
  Children children;
  EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&children));
  char text[1024] = {};
  if (children.text != nullptr) GetWindowTextA(children.text, text, sizeof text);
  std::printf("caption=%s\n", caption);
  std::printf("text=%s\n", text);
  for (HWND button : children.buttons) {
    char label[64] = {};
    GetWindowTextA(button, label, sizeof label);
    std::printf("button=%d:%s\n", GetDlgCtrlID(button), label);
  }
  std::printf("owner=%s\n", GetWindow(box, GW_OWNER) != nullptr ? "yes" : "none");
  std::printf("icon=%s\n", IdentifyIcon(children.icon, 5000));
  return 0;
}

int MessageBoxClose(DWORD timeoutMs) {
  HWND box = WaitForMessageBox(timeoutMs);
  if (box == nullptr) {
    std::printf("msgbox=none\n");
    return 1;
  }
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  DWORD start = GetTickCount();
  while (IsWindow(box)) {
    if (GetTickCount() - start >= timeoutMs) {
      std::printf("msgbox=still-open\n");
      return 1;
    }
    Sleep(kPollMs);
  }
  std::printf("msgbox=closed\n");
  return 0;
}

// ---- files ---------------------------------------------------------------------------------

bool PrintStat(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
    std::printf("missing path=%s\n", path);
    return false;
  }
  uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  std::printf("attr=0x%08lX ctime=%llu atime=%llu mtime=%llu size=%llu path=%s\n",
              data.dwFileAttributes, static_cast<unsigned long long>(ToU64(data.ftCreationTime)),
              static_cast<unsigned long long>(ToU64(data.ftLastAccessTime)),
              static_cast<unsigned long long>(ToU64(data.ftLastWriteTime)),
              static_cast<unsigned long long>(size), path);
  return true;
}

int Stat(int count, char** paths) {
  bool all = true;
  for (int i = 0; i < count; ++i) all = PrintStat(paths[i]) && all;
  return all ? 0 : 1;
}

int Probe(const char* path, DWORD attributes, uint64_t creation, uint64_t access, uint64_t write) {
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path);
  HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::printf("create=0 error=%lu\n", GetLastError());
    return 1;
  }
  DWORD written = 0;
  WriteFile(file, "probe", 5, &written, nullptr);
  FILETIME c = ToFiletime(creation), a = ToFiletime(access), w = ToFiletime(write);
  BOOL timesSet = SetFileTime(file, &c, &a, &w);
  std::printf("setfiletime=%d\n", timesSet ? 1 : 0);
  CloseHandle(file);
  BOOL attributesSet = SetFileAttributesA(path, attributes);
  std::printf("setfileattributes=%d\n", attributesSet ? 1 : 0);
  return PrintStat(path) ? 0 : 1;
}

// ---- package -------------------------------------------------------------------------------

uint32_t Le32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t Le64(const uint8_t* p) { return Le32(p) | (static_cast<uint64_t>(Le32(p + 4)) << 32); }

int Headers(const char* path) {
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    std::printf("error=cannot open %s\n", path);
    return 1;
  }
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  std::fclose(file);
  const uint32_t size = static_cast<uint32_t>(bytes.size());
  std::printf("size=%u\n", size);

  // The locator: "RU", the offset, "ISTANG". The first one in the file is the launcher's.
  static const uint8_t kTail[] = {'I', 'S', 'T', 'A', 'N', 'G'};
  size_t at = 0;
  bool found = false;
  for (; at + 12 <= bytes.size(); ++at) {
    if (bytes[at] == 'R' && bytes[at + 1] == 'U' && std::memcmp(&bytes[at + 6], kTail, 6) == 0) {
      found = true;
      break;
    }
  }
  if (!found) {
    std::printf("error=no locator\n");
    return 1;
  }
  const uint32_t packageOffset = Le32(&bytes[at + 2]);
  std::printf("locator=%u\n", static_cast<unsigned>(at));
  if (packageOffset == Le32(&bytes[at + 8])) {
    std::printf("package=none\n");
    return 0;
  }
  std::printf("package=%u\n", packageOffset);
  if (packageOffset > size || size - packageOffset < 4) {
    std::printf("error=table outside the file\n");
    return 1;
  }
  const uint32_t first = Le32(&bytes[packageOffset]);
  if (first < packageOffset + 4) {
    std::printf("error=no entries\n");
    return 1;
  }
  const uint32_t count = (first - packageOffset) / 4;
  std::printf("entries=%u\n", count);
  if (first > size) {
    std::printf("error=table outside the file\n");
    return 1;
  }
  int status = 0;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t start = Le32(&bytes[packageOffset + 4 * i]);
    uint32_t end = i + 1 < count ? Le32(&bytes[packageOffset + 4 * (i + 1)]) : size;
    if (start > size || end < start || end - start < 28) {
      std::printf("entry=%u start=%u end=%u truncated=1\n", i, start, end);
      status = 1;
      continue;
    }
    const uint8_t* header = &bytes[start];
    std::printf("entry=%u start=%u size=%u attr=0x%08X ctime=%llu atime=%llu mtime=%llu%s\n", i,
                start, end - start, Le32(header), static_cast<unsigned long long>(Le64(header + 4)),
                static_cast<unsigned long long>(Le64(header + 12)),
                static_cast<unsigned long long>(Le64(header + 20)),
                end > size ? " truncated=1" : "");
    if (end > size) status = 1;
  }
  return status;
}

// ---- processes -----------------------------------------------------------------------------

int Processes() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 1;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    std::printf("%s\n", entry.szExeFile);
  CloseHandle(snapshot);
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: wine_driver msgbox-wait MS | msgbox-close MS | stat PATH... |\n"
               "       probe PATH ATTR CREATION ACCESS WRITE | headers INSTALLER | processes |\n"
               "       temppath\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const char* command = argv[1];
  int status = 2;
  if (std::strcmp(command, "msgbox-wait") == 0 && argc == 3) {
    status = MessageBoxWait(std::strtoul(argv[2], nullptr, 10));
  } else if (std::strcmp(command, "msgbox-close") == 0 && argc == 3) {
    status = MessageBoxClose(std::strtoul(argv[2], nullptr, 10));
  } else if (std::strcmp(command, "stat") == 0 && argc >= 3) {
    status = Stat(argc - 2, argv + 2);
  } else if (std::strcmp(command, "probe") == 0 && argc == 7) {
    status = Probe(argv[2], std::strtoul(argv[3], nullptr, 0), std::strtoull(argv[4], nullptr, 10),
                   std::strtoull(argv[5], nullptr, 10), std::strtoull(argv[6], nullptr, 10));
  } else if (std::strcmp(command, "headers") == 0 && argc == 3) {
    status = Headers(argv[2]);
  } else if (std::strcmp(command, "processes") == 0 && argc == 2) {
    status = Processes();
  } else if (std::strcmp(command, "temppath") == 0 && argc == 2) {
    char path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, path);
    std::printf("%s\n", path);
    status = 0;
  } else {
    return Usage();
  }
  std::fflush(stdout);
  return status;
}
