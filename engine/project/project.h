// The in-memory form of a project file: what one installation installs. Fixed-width texts
// cut what does not fit; lists keep file order, and an element's position is its identity
// (FileRef and FolderIndex are positions). Every list read goes through an accessor that
// answers nullptr outside the list, because the loader does not check references.
#pragma once
#include <cstddef>
#include <cstdint>
#include <new>

#include "platform/fixed_string.h"
#include "platform/platform.h"

namespace engine {

enum FileSection : int32_t { Application = 0, System = 1, Conduit = 2 };
inline constexpr int32_t kFileSectionCount = 3;
// The project file's section of each FileSection, in that order.
inline constexpr const char* kFileSectionNames[kFileSectionCount] = {"Application", "System",
                                                                     "Conduit"};

enum FileKind : int32_t { Plain = 0, HotSyncConduit = 1, SelfRegistering = 2 };

// A growable list on the process heap. Elements are placed with their copy constructor and
// only ever moved as bytes, so T must be trivially copyable.
template <typename T>
struct List {
  T* items = nullptr;
  int32_t count = 0;
  int32_t capacity = 0;

  // The element at index, or nullptr when index lies outside the list.
  T* At(int32_t index) { return index >= 0 && index < count ? &items[index] : nullptr; }
  const T* At(int32_t index) const { return index >= 0 && index < count ? &items[index] : nullptr; }

  // Appends a copy of value; false (and the list unchanged) when memory runs out.
  bool Append(const T& value) {
    if (count == capacity && !Grow()) return false;
    new (&items[count]) T(value);
    ++count;
    return true;
  }

  // Frees the storage; the elements own nothing the list must release.
  void Free() {
    if (items != nullptr) platform::FreeMemory(items);
    items = nullptr;
    count = 0;
    capacity = 0;
  }

 private:
  bool Grow() {
    int32_t larger = capacity == 0 ? 4 : capacity * 2;
    if (larger <= capacity) return false;  // the count would wrap
    T* moved = static_cast<T*>(platform::AllocateMemory(sizeof(T) * static_cast<size_t>(larger)));
    if (moved == nullptr) return false;
    for (int32_t i = 0; i < count; ++i) new (&moved[i]) T(items[i]);
    if (items != nullptr) platform::FreeMemory(items);
    items = moved;
    capacity = larger;
    return true;
  }
};

struct ConduitRecord {
  FixedString<128> Conduit;  // set by the installation from the installed file's name
  FixedString<128> Arguments;
  uint32_t Creator = 0;
  FixedString<128> Directory;
  FixedString<128> File0;
  FixedString<128> Information;
  uint32_t Integrate = 0;
  FixedString<128> Module;
  FixedString<128> Name;
  uint32_t Priority = 0;
  FixedString<128> Remote0;
};

struct HandheldFile {
  FixedString<260> Name;
  int32_t EntryNumber = -1;
};

struct FolderEntry {
  FixedString<260> Name;  // empty: the section's target directory itself
};

struct DesktopFile {
  FixedString<260> Name;
  int32_t FolderIndex = -1;
  int32_t EntryNumber = -1;
  int32_t Kind = Plain;  // any number the file gave; only 0, 1 and 2 load
  int32_t CopyMode = 2;
  int32_t Shortcut = 0;
  engine::ConduitRecord ConduitRecord;  // meaningful for HotSyncConduit only
  int32_t SelfRegister = 0;             // meaningful for SelfRegistering only
};

// Names Files[Section][Index]; a negative Index names nothing.
struct FileRef {
  int32_t Index = -1;
  int32_t Section = Application;
};

struct Project;

struct Component {
  FixedString<260> SourceName;
  int32_t EntryNumber = -1;
  int32_t UseMainFolders = 1;
  Project* SubProject = nullptr;  // owned; created empty with the component
  int32_t Selected = 1;
};

struct Project {
  FixedString<80> Title;
  FixedString<80> Version;
  FixedString<80> Company;
  DesktopFile Launch;  // only Name and EntryNumber are used; EntryNumber -1: none
  List<HandheldFile> HandheldFiles;
  List<DesktopFile> Files[kFileSectionCount];
  List<FolderEntry> Folders[kFileSectionCount];
  List<Component> Components;
  int32_t Multicomp = 0;
  FileRef Readme;
  FileRef Eula;
};

// The project of the whole run, and the one being worked on (RootProject except while a
// walk or the installation is inside a component).
extern Project RootProject;
extern Project* CurrentProject;

// ---- safe look-ups: nullptr for anything outside the lists ----

const List<DesktopFile>* FilesOf(const Project& project, int32_t section);
const List<FolderEntry>* FoldersOf(const Project& project, int32_t section);
const DesktopFile* DesktopFileAt(const Project& project, int32_t section, int32_t index);
const FolderEntry* FolderAt(const Project& project, int32_t section, int32_t index);
// The file a Readme or EULA reference names; nullptr for none or out of range.
const DesktopFile* ReferencedFile(const Project& project, FileRef ref);

// ---- building and releasing ----

void InitProject(Project* project);
// Frees every list, each component's SubProject first; the lists are empty afterwards.
void ReleaseProject(Project* project);
// Frees the component list alone, each SubProject released and freed first.
void ReleaseComponents(Project* project);

// Each appends one element and reports false when memory runs out (nothing appended).
bool AddComponent(Project* project, const char* sourceName, int32_t entryNumber,
                  int32_t useMainFolders, int32_t selected);
bool AddHandheldFile(Project* project, const char* name, int32_t entryNumber);
bool AddFolder(Project* project, int32_t section, const char* name);
// The new file's index, or -1 when memory runs out or section is not 0..2.
int32_t AddDesktopFile(Project* project, int32_t section, const char* name, int32_t folderIndex,
                       int32_t entryNumber, int32_t kind, int32_t copyMode, int32_t shortcut);
void ClearConduitRecord(ConduitRecord* record);

}  // namespace engine
