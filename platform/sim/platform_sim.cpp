// The platform interface over the simulated world. Each call first asks the world whether
// it is to fail, then behaves as the real call does in the cases the programs rely on.
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "platform/sim/profile_text.h"
#include "platform/sim/world.h"

namespace platform {

namespace {

using sim::FileRecord;
using sim::Op;
using sim::TheWorld;
using sim::World;

bool Conflicts(const World::OpenFile& a, const World::OpenFile& b) {
  return (a.canRead && !b.sharesRead) || (a.canWrite && !b.sharesWrite) ||
         (b.canRead && !a.sharesRead) || (b.canWrite && !a.sharesWrite);
}

// Whether another open of the file, asked for as `how`, would be refused for sharing.
bool SharingRefuses(const std::string& key, const World::OpenFile& how) {
  World& world = TheWorld();
  if (const FileRecord* record = world.Find(key); record && record->heldOpenByOtherProgram) {
    return true;
  }
  for (const World::OpenFile& open : world.OpenFilesOf(key)) {
    if (Conflicts(open, how)) return true;
  }
  return false;
}

std::string PathOf(Handle file) {
  World::OpenFile* open = TheWorld().Handle(file);
  return open ? open->key : std::string();
}

FileRecord* FileOf(Handle file) {
  World::OpenFile* open = TheWorld().Handle(file);
  return open ? TheWorld().Find(open->key) : nullptr;
}

// Where an INI read finds its file, opened for reading with reading and writing shared:
// false when it cannot be opened at all (its folder is missing, it is a directory, it is held
// without sharing reading). A file missing from a folder that exists opens as an empty one,
// and a failed read behaves as such a missing file; *file is null for both.
bool OpenProfile(Op op, const char* path, const FileRecord** file) {
  World& world = TheWorld();
  *file = nullptr;
  if (world.Fails(op, path)) return true;
  std::string key = World::Key(path);
  const FileRecord* record = world.Find(key);
  if (record == nullptr) return world.IsDirectory(World::Parent(key));
  World::OpenFile how{"", 0, true, false, true, true};
  if (record->directory || SharingRefuses(key, how)) return false;
  *file = record;
  return true;
}

// Copies text into a caller's buffer of kMaxPath the way the A functions do.
uint32_t CopyOut(const std::string& text, char* buffer) {
  if (text.size() >= kMaxPath) return static_cast<uint32_t>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<uint32_t>(text.size());
}

}  // namespace

Handle CreateOutputFile(const char* path) {
  World& world = TheWorld();
  if (world.Fails(Op::kCreateOutputFile, path)) return kNoHandle;
  World::OpenFile how{"", 0, false, true, false, false};
  std::string key = World::Key(path);
  FileRecord* record = world.Find(key);
  if (record != nullptr) {
    // CREATE_ALWAYS with normal attributes refuses read-only, hidden and system files.
    if (record->directory ||
        (record->attributes & (sim::kAttrReadOnly | sim::kAttrHidden | sim::kAttrSystem))) {
      return kNoHandle;
    }
    if (SharingRefuses(key, how)) return kNoHandle;
    record->data.clear();
    record->attributes = sim::kAttrArchive;
    record->lastWriteTime = record->lastAccessTime = world.clock;
  } else if (!world.AddFile(path, {}, sim::kAttrArchive)) {
    return kNoHandle;
  }
  return world.Open(key, how);
}

Handle OpenInputFile(const char* path) {
  World& world = TheWorld();
  if (world.Fails(Op::kOpenInputFile, path)) return kNoHandle;
  std::string key = World::Key(path);
  const FileRecord* record = world.Find(key);
  World::OpenFile how{"", 0, true, false, true, true};
  if (record == nullptr || record->directory || SharingRefuses(key, how)) return kNoHandle;
  return world.Open(key, how);
}

bool ReadBytes(Handle file, void* buffer, uint32_t count, uint32_t* got) {
  *got = 0;
  World& world = TheWorld();
  if (world.Fails(Op::kReadBytes, PathOf(file))) return false;
  World::OpenFile* open = world.Handle(file);
  FileRecord* record = FileOf(file);
  if (open == nullptr || record == nullptr || !open->canRead) return false;
  size_t size = record->data.size();
  size_t available = open->position < size ? size - open->position : 0;
  size_t n = count < available ? count : available;
  if (n != 0) std::memcpy(buffer, record->data.data() + open->position, n);
  open->position += static_cast<uint32_t>(n);
  *got = static_cast<uint32_t>(n);
  return true;
}

bool WriteBytes(Handle file, const void* data, uint32_t count, uint32_t* written) {
  *written = 0;
  World& world = TheWorld();
  if (world.Fails(Op::kWriteBytes, PathOf(file))) return false;
  World::OpenFile* open = world.Handle(file);
  FileRecord* record = FileOf(file);
  if (open == nullptr || record == nullptr || !open->canWrite) return false;
  if (record->data.size() < open->position + count) record->data.resize(open->position + count);
  std::memcpy(record->data.data() + open->position, data, count);
  open->position += count;
  record->lastWriteTime = world.clock;
  *written = count;
  return true;
}

bool SeekTo(Handle file, uint32_t offset) {
  World& world = TheWorld();
  if (world.Fails(Op::kSeekTo, PathOf(file))) return false;
  World::OpenFile* open = world.Handle(file);
  if (open == nullptr) return false;
  open->position = offset;
  return true;
}

bool QueryFileSize(Handle file, uint32_t* size) {
  World& world = TheWorld();
  if (world.Fails(Op::kQueryFileSize, PathOf(file))) return false;
  FileRecord* record = FileOf(file);
  if (record == nullptr) return false;
  *size = static_cast<uint32_t>(record->data.size());
  return true;
}

// A zero time leaves that time as it was, as the real call does.
bool SetFileTimes(Handle file, FileTime creation, FileTime lastAccess, FileTime lastWrite) {
  World& world = TheWorld();
  if (world.Fails(Op::kSetFileTimes, PathOf(file))) return false;
  World::OpenFile* open = world.Handle(file);
  FileRecord* record = FileOf(file);
  if (open == nullptr || record == nullptr || !open->canWrite) return false;
  if (creation != 0) record->creationTime = creation;
  if (lastAccess != 0) record->lastAccessTime = lastAccess;
  if (lastWrite != 0) record->lastWriteTime = lastWrite;
  return true;
}

// An injected failure still gives the handle back: no failing close leaves one usable.
bool CloseFile(Handle file) {
  World& world = TheWorld();
  bool fails = world.Fails(Op::kCloseFile, PathOf(file));
  bool closed = world.Close(file);
  return closed && !fails;
}

bool SetAttributes(const char* path, uint32_t attributes) {
  World& world = TheWorld();
  if (world.Fails(Op::kSetAttributes, path)) return false;
  FileRecord* record = world.Find(path);
  if (record == nullptr) return false;
  uint32_t kept = record->directory ? sim::kAttrDirectory : 0;
  record->attributes =
      (attributes == 0 && !record->directory) ? sim::kAttrNormal : (attributes | kept);
  return true;
}

bool MakeDirectory(const char* path) {
  World& world = TheWorld();
  if (world.Fails(Op::kMakeDirectory, path)) return false;
  if (world.Exists(path) || !world.IsDirectory(World::Parent(path))) return false;
  return world.AddDirectory(path);
}

bool RemoveFile(const char* path) {
  World& world = TheWorld();
  if (world.Fails(Op::kRemoveFile, path)) return false;
  FileRecord* record = world.Find(path);
  std::string key = World::Key(path);
  if (record == nullptr || record->directory || (record->attributes & sim::kAttrReadOnly) ||
      record->heldOpenByOtherProgram || world.IsOpen(key)) {
    return false;
  }
  return world.Erase(key);
}

uint32_t TempFolderPath(char* buffer) {
  World& world = TheWorld();
  if (world.Fails(Op::kTempFolderPath)) return 0;
  return CopyOut(world.tempFolder, buffer);
}

// "<folder>\<up to three prefix characters><hex number>.TMP", the first number from
// nextTempNumber on whose name is free; the file is created empty.
uint32_t UniqueTempName(const char* folder, const char* prefix, char* buffer) {
  World& world = TheWorld();
  if (world.Fails(Op::kUniqueTempName, folder)) return 0;
  if (!world.IsDirectory(folder)) return 0;
  std::string base = folder;
  if (base.empty() || base.back() != '\\') base += '\\';
  base.append(prefix, strnlen(prefix, 3));
  for (int attempt = 0; attempt < 0x10000; ++attempt) {
    uint32_t number = world.nextTempNumber & 0xFFFF;
    world.nextTempNumber = (world.nextTempNumber + 1) & 0xFFFF;
    if (number == 0) continue;
    char hex[8];
    std::snprintf(hex, sizeof hex, "%X", number);
    std::string path = base + hex + ".TMP";
    if (path.size() >= kMaxPath) return 0;
    if (world.Exists(path)) continue;
    world.AddFile(path, {}, sim::kAttrArchive);
    CopyOut(path, buffer);
    return number;
  }
  return 0;
}

// Cuts a path that does not fit, as the real call does, and returns the buffer's size then.
uint32_t ModulePath(char* buffer, uint32_t capacity) {
  World& world = TheWorld();
  if (world.Fails(Op::kModulePath) || capacity == 0) return 0;
  bool fits = world.modulePath.size() < capacity;
  size_t n = fits ? world.modulePath.size() : capacity - 1;
  std::memcpy(buffer, world.modulePath.data(), n);
  buffer[n] = '\0';
  return fits ? static_cast<uint32_t>(n) : capacity;
}

uint32_t ReadProfileString(const char* section, const char* key, const char* defaultText,
                           char* buffer, uint32_t capacity, const char* path) {
  const FileRecord* file = nullptr;
  if (!OpenProfile(Op::kReadProfileString, path, &file)) {
    return sim::UnopenedProfileString(defaultText, buffer, capacity);
  }
  return sim::ProfileString(file ? file->data.data() : nullptr, file ? file->data.size() : 0,
                            section, key, defaultText, buffer, capacity);
}

uint32_t ReadProfileInt(const char* section, const char* key, int32_t defaultValue,
                        const char* path) {
  const FileRecord* file = nullptr;
  if (!OpenProfile(Op::kReadProfileInt, path, &file)) return static_cast<uint32_t>(defaultValue);
  return sim::ProfileInt(file ? file->data.data() : nullptr, file ? file->data.size() : 0, section,
                         key, defaultValue);
}

void* AllocateMemory(size_t size) {
  World& world = TheWorld();
  if (world.Fails(Op::kAllocateMemory)) return nullptr;
  return world.Allocate(size);
}

void FreeMemory(void* block) {
  if (block != nullptr) TheWorld().Release(block);
}

ScreenSize QueryScreenSize() { return TheWorld().screen; }

bool CopyBitmapToScreen(int bitmapId, int width, int height, int x, int y) {
  World& world = TheWorld();
  if (world.Fails(Op::kCopyBitmapToScreen)) return false;
  world.splashCopies.push_back(sim::SplashCopy{bitmapId, 0, 0, width, height, x, y});
  return true;
}

Cursor ShowWaitCursor() {
  World& world = TheWorld();
  Cursor previous = world.currentCursor;
  world.currentCursor = sim::kWaitCursor;
  world.cursorsShown.push_back(sim::kWaitCursor);
  return previous;
}

void RestoreCursor(Cursor previous) {
  World& world = TheWorld();
  world.currentCursor = previous;
  world.cursorsShown.push_back(previous);
}

int ShowMessageBox(const char* text, const char* caption, uint32_t style) {
  World& world = TheWorld();
  world.messageBoxes.push_back(sim::MessageBoxRecord{text, caption, style, nullptr});
  if (world.messageBoxAnswers.empty()) return 1;  // IDOK
  int answer = world.messageBoxAnswers.front();
  world.messageBoxAnswers.pop_front();
  return answer;
}

uint32_t StartProgram(const char* commandLine, int showMode) {
  World& world = TheWorld();
  world.startedPrograms.push_back(
      sim::StartedProgram{commandLine, showMode, world.currentDirectory});
  return 33;
}

}  // namespace platform
