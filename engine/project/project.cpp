#include "engine/project/project.h"

namespace engine {

// constinit: the engine starts without the C runtime, so no constructor would run.
constinit Project RootProject;
Project* CurrentProject = &RootProject;

const List<DesktopFile>* FilesOf(const Project& project, int32_t section) {
  return section >= 0 && section < kFileSectionCount ? &project.Files[section] : nullptr;
}

const List<FolderEntry>* FoldersOf(const Project& project, int32_t section) {
  return section >= 0 && section < kFileSectionCount ? &project.Folders[section] : nullptr;
}

const DesktopFile* DesktopFileAt(const Project& project, int32_t section, int32_t index) {
  const List<DesktopFile>* files = FilesOf(project, section);
  return files != nullptr ? files->At(index) : nullptr;
}

const FolderEntry* FolderAt(const Project& project, int32_t section, int32_t index) {
  const List<FolderEntry>* folders = FoldersOf(project, section);
  return folders != nullptr ? folders->At(index) : nullptr;
}

const DesktopFile* ReferencedFile(const Project& project, FileRef ref) {
  return DesktopFileAt(project, ref.Section, ref.Index);
}

void InitProject(Project* project) { *project = Project(); }

void ReleaseComponents(Project* project) {
  for (int32_t i = 0; i < project->Components.count; ++i) {
    Project* sub = project->Components.items[i].SubProject;
    if (sub == nullptr) continue;
    ReleaseProject(sub);
    platform::FreeMemory(sub);
  }
  project->Components.Free();
}

void ReleaseProject(Project* project) {
  project->HandheldFiles.Free();
  for (int32_t section = 0; section < kFileSectionCount; ++section) {
    project->Files[section].Free();
    project->Folders[section].Free();
  }
  ReleaseComponents(project);
}

bool AddComponent(Project* project, const char* sourceName, int32_t entryNumber,
                  int32_t useMainFolders, int32_t selected) {
  void* block = platform::AllocateMemory(sizeof(Project));
  if (block == nullptr) return false;
  Component component;
  component.SourceName.Assign(sourceName);
  component.EntryNumber = entryNumber;
  component.UseMainFolders = useMainFolders;
  component.Selected = selected;
  component.SubProject = new (block) Project();
  if (!project->Components.Append(component)) {
    platform::FreeMemory(block);
    return false;
  }
  return true;
}

bool AddHandheldFile(Project* project, const char* name, int32_t entryNumber) {
  HandheldFile file;
  file.Name.Assign(name);
  file.EntryNumber = entryNumber;
  return project->HandheldFiles.Append(file);
}

bool AddFolder(Project* project, int32_t section, const char* name) {
  if (section < 0 || section >= kFileSectionCount) return false;
  FolderEntry folder;
  folder.Name.Assign(name);
  return project->Folders[section].Append(folder);
}

int32_t AddDesktopFile(Project* project, int32_t section, const char* name, int32_t folderIndex,
                       int32_t entryNumber, int32_t kind, int32_t copyMode, int32_t shortcut) {
  if (section < 0 || section >= kFileSectionCount) return -1;
  // A new file starts with an empty conduit record and SelfRegister 0, whatever its kind.
  DesktopFile file;
  file.Name.Assign(name);
  file.FolderIndex = folderIndex;
  file.EntryNumber = entryNumber;
  file.Kind = kind;
  file.CopyMode = copyMode;
  file.Shortcut = shortcut;
  if (!project->Files[section].Append(file)) return -1;
  return project->Files[section].count - 1;
}

void ClearConduitRecord(ConduitRecord* record) { *record = ConduitRecord(); }

}  // namespace engine
