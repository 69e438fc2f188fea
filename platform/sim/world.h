// A simulated Windows for host tests: files and directories, the temporary folder, the
// screen, cursors, message boxes and started programs, with a fault that can be injected
// into any call and an account of every handle and allocation still open.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/registry.h"

namespace sim {

// Every operation of the platform interface that can be made to fail.
enum class Op : int {
  kCreateOutputFile,
  kOpenInputFile,
  kReadBytes,
  kWriteBytes,
  kSeekTo,
  kQueryFileSize,
  kSetFileTimes,
  kCloseFile,
  kSetAttributes,
  kMakeDirectory,
  kRemoveFile,
  kTempFolderPath,
  kUniqueTempName,
  kModulePath,
  kAllocateMemory,
  kCopyBitmapToScreen,
  kReadProfileString,
  kReadProfileInt,
  kCount
};
const char* OpName(Op op);

inline constexpr uint32_t kAttrReadOnly = 0x01;
inline constexpr uint32_t kAttrHidden = 0x02;
inline constexpr uint32_t kAttrSystem = 0x04;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrArchive = 0x20;
inline constexpr uint32_t kAttrNormal = 0x80;

struct FileRecord {
  std::string path;  // as first created: the case is kept
  bool directory = false;
  uint32_t attributes = kAttrArchive;
  platform::FileTime creationTime = 0;
  platform::FileTime lastAccessTime = 0;
  platform::FileTime lastWriteTime = 0;
  std::vector<uint8_t> data;
  bool heldOpenByOtherProgram = false;  // opened elsewhere without sharing
};

struct MessageBoxRecord {
  std::string text;
  std::string caption;
  uint32_t style;
  void* owner;  // always null for the platform's boxes
};

struct SplashCopy {
  int bitmapId;
  int sourceX, sourceY, width, height;  // the block taken from the bitmap
  int x, y;                             // where it lands on the screen
};

struct StartedProgram {
  std::string commandLine;
  int showMode;
  std::string currentDirectory;
};

// The cursors the simulation hands out.
inline const platform::Cursor kArrowCursor = reinterpret_cast<platform::Cursor>(0xA1);
inline const platform::Cursor kWaitCursor = reinterpret_cast<platform::Cursor>(0xA2);

class World {
 public:
  World();
  ~World();
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  // ---- the file system: drive letters, '\' separators, names compared without case ----
  void AddDrive(char letter);
  bool AddDirectory(const std::string& path);  // and any missing parents
  bool AddFile(const std::string& path, std::vector<uint8_t> data,
               uint32_t attributes = kAttrArchive);
  FileRecord* Find(const std::string& path);
  bool Erase(const std::string& path);
  const FileRecord* Find(const std::string& path) const;
  bool Exists(const std::string& path) const { return Find(path) != nullptr; }
  // A directory, or the root of a drive the world has.
  bool IsDirectory(const std::string& path) const;
  // Paths of the direct members of a directory, in name order.
  std::vector<std::string> List(const std::string& directory) const;
  static std::string Key(const std::string& path);  // upper case, no trailing '\'
  static std::string Parent(const std::string& path);

  // ---- settings a test may change before a run ----
  std::string tempFolder = "C:\\WINDOWS\\TEMP\\";
  std::string modulePath = "C:\\DOWNLOADS\\SETUP.EXE";
  std::string currentDirectory = "C:\\DOWNLOADS";
  uint32_t nextTempNumber = 0x1A2B;  // the unique number the next temp name tries first
  platform::ScreenSize screen{1024, 768};
  platform::FileTime clock = 0x01D0000000000000;  // the time new files get
  std::deque<int> messageBoxAnswers;              // empty: every box answers IDOK

  // ---- what the program did ----
  std::vector<MessageBoxRecord> messageBoxes;
  std::vector<SplashCopy> splashCopies;
  std::vector<StartedProgram> startedPrograms;
  std::vector<platform::Cursor> cursorsShown;  // every cursor made current, in order
  platform::Cursor currentCursor = kArrowCursor;

  // ---- the registry: HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE ----
  Registry registry;

  // ---- faults ----
  // The nth call of op (1-based, counted since the world was made) fails.
  void FailCall(Op op, int nth);
  // Every call of op on this path fails (for handle calls, the path of the handle's file).
  void FailOnPath(Op op, const std::string& path);
  int CallCount(Op op) const { return callCounts_[static_cast<int>(op)]; }
  // Counts the call and says whether it is to fail.
  bool Fails(Op op, const std::string& path = std::string());

  // ---- accounting ----
  struct OpenFile {
    std::string key;
    uint32_t position = 0;
    bool canRead = false;
    bool canWrite = false;
    bool sharesRead = false;
    bool sharesWrite = false;
  };
  platform::Handle Open(const std::string& key, const OpenFile& how);
  OpenFile* Handle(platform::Handle handle);
  bool Close(platform::Handle handle);
  size_t OpenHandleCount() const { return handles_.size(); }
  std::vector<std::string> OpenHandlePaths() const;
  std::vector<OpenFile> OpenFilesOf(const std::string& key) const;
  bool IsOpen(const std::string& key) const { return !OpenFilesOf(key).empty(); }

  void* Allocate(size_t size);
  bool Release(void* block);
  size_t LiveAllocationCount() const { return allocations_.size(); }
  size_t LargestAllocation() const { return largestAllocation_; }

 private:
  std::set<char> drives_;
  std::map<std::string, FileRecord> files_;  // by Key()
  std::map<uintptr_t, OpenFile> handles_;
  uintptr_t nextHandle_ = 0x100;
  std::set<void*> allocations_;
  size_t largestAllocation_ = 0;
  int callCounts_[static_cast<int>(Op::kCount)] = {};
  std::multimap<int, int> failingCalls_;  // op -> nth
  std::set<std::pair<int, std::string>> failingPaths_;
};

// The world every platform call acts on; Reset() makes a new one (every test starts so).
World& TheWorld();
void Reset();

}  // namespace sim
