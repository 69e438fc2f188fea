#include "platform/sim/world.h"

#include <cctype>
#include <cstdlib>
#include <memory>

namespace sim {

namespace {

const char* const kOpNames[] = {
    "CreateOutputFile",   "OpenInputFile",     "ReadBytes",      "WriteBytes",    "SeekTo",
    "QueryFileSize",      "SetFileTimes",      "CloseFile",      "SetAttributes", "MakeDirectory",
    "RemoveFile",         "TempFolderPath",    "UniqueTempName", "ModulePath",    "AllocateMemory",
    "CopyBitmapToScreen", "ReadProfileString", "ReadProfileInt"};
static_assert(sizeof(kOpNames) / sizeof(kOpNames[0]) == static_cast<int>(Op::kCount));

std::unique_ptr<World>& Current() {
  static std::unique_ptr<World> world = std::make_unique<World>();
  return world;
}

bool IsDriveRoot(const std::string& key) {
  return key.size() == 2 && key[1] == ':' && std::isalpha(static_cast<unsigned char>(key[0]));
}

}  // namespace

const char* OpName(Op op) { return kOpNames[static_cast<int>(op)]; }

World& TheWorld() { return *Current(); }
void Reset() { Current() = std::make_unique<World>(); }

World::World() {
  AddDrive('C');
  AddDirectory("C:\\WINDOWS\\TEMP");
  AddDirectory("C:\\DOWNLOADS");
}

World::~World() {
  for (void* block : allocations_) std::free(block);
}

std::string World::Key(const std::string& path) {
  std::string key;
  for (char c : path) key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  while (key.size() > 2 && key.back() == '\\') key.pop_back();
  return key;
}

std::string World::Parent(const std::string& path) {
  std::string key = Key(path);
  size_t slash = key.rfind('\\');
  return slash == std::string::npos ? std::string() : key.substr(0, slash);
}

void World::AddDrive(char letter) {
  drives_.insert(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
}

const FileRecord* World::Find(const std::string& path) const {
  auto it = files_.find(Key(path));
  return it == files_.end() ? nullptr : &it->second;
}

FileRecord* World::Find(const std::string& path) {
  auto it = files_.find(Key(path));
  return it == files_.end() ? nullptr : &it->second;
}

bool World::IsDirectory(const std::string& path) const {
  std::string key = Key(path);
  if (IsDriveRoot(key)) return drives_.count(key[0]) != 0;
  const FileRecord* record = Find(key);
  return record != nullptr && record->directory;
}

bool World::AddDirectory(const std::string& path) {
  std::string key = Key(path);
  if (IsDriveRoot(key)) return drives_.count(key[0]) != 0;
  if (const FileRecord* existing = Find(key)) return existing->directory;
  if (!AddDirectory(Parent(key))) return false;
  FileRecord record;
  record.path = path;
  while (record.path.size() > 2 && record.path.back() == '\\') record.path.pop_back();
  record.directory = true;
  record.attributes = kAttrDirectory;
  record.creationTime = record.lastAccessTime = record.lastWriteTime = clock;
  files_[key] = record;
  return true;
}

bool World::AddFile(const std::string& path, std::vector<uint8_t> data, uint32_t attributes) {
  if (!AddDirectory(Parent(path))) return false;
  FileRecord& record = files_[Key(path)];
  record.path = path;
  record.attributes = attributes;
  record.creationTime = record.lastAccessTime = record.lastWriteTime = clock;
  record.data = std::move(data);
  return true;
}

std::vector<std::string> World::List(const std::string& directory) const {
  std::vector<std::string> members;
  std::string parent = Key(directory);
  for (const auto& [key, record] : files_) {
    if (Parent(key) == parent) members.push_back(record.path);
  }
  return members;
}

void World::FailCall(Op op, int nth) { failingCalls_.emplace(static_cast<int>(op), nth); }

void World::FailOnPath(Op op, const std::string& path) {
  failingPaths_.emplace(static_cast<int>(op), Key(path));
}

bool World::Fails(Op op, const std::string& path) {
  int index = static_cast<int>(op);
  int nth = ++callCounts_[index];
  auto [first, last] = failingCalls_.equal_range(index);
  for (auto it = first; it != last; ++it) {
    if (it->second == nth) return true;
  }
  return !path.empty() && failingPaths_.count({index, Key(path)}) != 0;
}

platform::Handle World::Open(const std::string& key, const OpenFile& how) {
  uintptr_t id = nextHandle_++;
  handles_[id] = how;
  handles_[id].key = key;
  return reinterpret_cast<platform::Handle>(id);
}

World::OpenFile* World::Handle(platform::Handle handle) {
  auto it = handles_.find(reinterpret_cast<uintptr_t>(handle));
  return it == handles_.end() ? nullptr : &it->second;
}

bool World::Close(platform::Handle handle) {
  return handles_.erase(reinterpret_cast<uintptr_t>(handle)) != 0;
}

std::vector<std::string> World::OpenHandlePaths() const {
  std::vector<std::string> paths;
  for (const auto& [id, open] : handles_) paths.push_back(open.key);
  return paths;
}

std::vector<World::OpenFile> World::OpenFilesOf(const std::string& key) const {
  std::vector<OpenFile> found;
  std::string wanted = Key(key);
  for (const auto& [id, open] : handles_) {
    if (open.key == wanted) found.push_back(open);
  }
  return found;
}

bool World::Erase(const std::string& path) { return files_.erase(Key(path)) != 0; }

void* World::Allocate(size_t size) {
  if (size > largestAllocation_) largestAllocation_ = size;
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block != nullptr) allocations_.insert(block);
  return block;
}

bool World::Release(void* block) {
  if (allocations_.erase(block) == 0) return false;
  std::free(block);
  return true;
}

}  // namespace sim
