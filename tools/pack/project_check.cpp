#include "tools/pack/project_check.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <set>
#include <string_view>

#include "engine/project/project.h"
#include "engine/project/project_loader.h"
#include "platform/platform.h"
#include "platform/sim/world.h"

namespace pack {

namespace {

using Severity = Finding::Severity;

// The longest name the model keeps: a name of this length may have been cut.
constexpr size_t kLongestName = 259;

std::string StagedPath(int32_t entry) {
  char name[16];
  std::snprintf(name, sizeof name, "%08d", entry);
  return std::string(kStagingDirectory) + "\\" + name;
}

// The entry a path in the staging folder stands for ("%08d", so "-0000001" is entry -1);
// nothing for any other path.
std::optional<int32_t> StagedEntry(const std::string& path) {
  const std::string prefix = sim::World::Key(kStagingDirectory) + "\\";
  const std::string key = sim::World::Key(path);
  if (key.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  const std::string name = key.substr(prefix.size());
  if (name.size() < 8) return std::nullopt;
  size_t first = name[0] == '-' ? 1 : 0;
  if (first == name.size()) return std::nullopt;
  int64_t value = 0;
  for (size_t i = first; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9' || value > INT32_MAX) return std::nullopt;
    value = value * 10 + (name[i] - '0');
  }
  if (value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(first == 1 ? -value : value);
}

bool StartsWithStagingFolder(const std::string& text) {
  const std::string prefix = sim::World::Key(kStagingDirectory) + "\\";
  return sim::World::Key(text).compare(0, prefix.size(), prefix) == 0;
}

std::string Quoted(const char* text) { return std::string("\"") + text + "\""; }

// The raw value of a key in a staged file, as the loader read it.
std::string ReadValue(const std::string& path, const char* section, const char* key) {
  char buffer[engine::kValueBufferSize];
  platform::ReadProfileString(section, key, "", buffer, sizeof buffer, path.c_str());
  return buffer;
}

struct Unloaded {
  const engine::Project* parent;
  int32_t parentEntry;
  int32_t index;  // of the component in the parent's list
};

// The first component, in the order the loader takes them, whose sub-project got no
// Title: where a load of the tree stopped for want of a sub-project.
bool FirstUnloaded(const engine::Project& project, int32_t entry, Unloaded* found) {
  for (int32_t i = 0; i < project.Components.count; ++i) {
    const engine::Component* component = project.Components.At(i);
    if (component == nullptr || component->SubProject == nullptr) continue;
    if (component->SubProject->Title.empty()) {
      *found = Unloaded{&project, entry, i};
      return true;
    }
    if (FirstUnloaded(*component->SubProject, component->EntryNumber, found)) return true;
  }
  return false;
}

class Checker {
 public:
  Checker(const CheckedFile& project, const std::vector<CheckedFile>& data)
      : project_(project), data_(data) {}

  bool Exists(int32_t entry) const {
    return entry == 1 || (entry >= 2 && static_cast<size_t>(entry - 2) < data_.size());
  }
  const CheckedFile* FileOf(int32_t entry) const {
    if (entry == 1) return &project_;
    return Exists(entry) ? &data_[static_cast<size_t>(entry - 2)] : nullptr;
  }
  std::string Label(int32_t entry) const {
    const CheckedFile* file = FileOf(entry);
    return file != nullptr ? file->label : "entry " + std::to_string(entry);
  }

  // The load failed: one error, where the loader stopped.
  Finding Refusal(const engine::Project& root, const engine::LoadFault& fault) const {
    Finding finding;
    finding.severity = Severity::kError;
    const std::string path = fault.path.c_str();
    std::optional<int32_t> entry = StagedEntry(path);
    finding.file = entry ? Label(*entry) : path;
    if (!fault.section.empty()) {
      finding.where = std::string("[") + fault.section.c_str() + "] " + fault.key.c_str();
    }

    Unloaded unloaded{};
    if (entry && !Exists(*entry) && FirstUnloaded(root, 1, &unloaded) &&
        unloaded.parent->Components.At(unloaded.index)->EntryNumber == *entry) {
      // Its file is not there: say so about the component that names it.
      std::string key = "Component" + std::to_string(unloaded.index + 1);
      finding.file = Label(unloaded.parentEntry);
      finding.where = "[Project] " + key;
      finding.dangling = true;
      finding.message = ReadValue(StagedPath(unloaded.parentEntry), "Project", key.c_str()) +
                        ": its sub-project file, entry " + std::to_string(*entry) +
                        ", is not in the package" + MissingEntryNote(*entry);
      return finding;
    }

    std::string value = fault.value.c_str();
    std::string position;
    if (StartsWithStagingFolder(value)) {
      // The loader gives the sub-project path it formed; show the value the producer wrote.
      std::optional<int32_t> named = StagedEntry(value);
      value = ReadValue(path, fault.section.c_str(), fault.key.c_str());
      if (named)
        position = " (it names entry " + std::to_string(*named) + ", " + Label(*named) + ")";
    } else if (!value.empty()) {
      position = fault.offset >= value.size() ? " at the end of the value"
                                              : " at character " + std::to_string(fault.offset + 1);
    }
    if (!fault.section.empty()) finding.message = (value.empty() ? "(empty)" : value) + ": ";
    finding.message += std::string("expected ") + fault.expected + position;
    return finding;
  }

  // Every project file of the tree once, the root first, then the components depth-first.
  void Walk(const engine::Project& project, int32_t entry) {
    if (!visited_.insert(entry).second) return;
    CheckFile(project, Label(entry));
    for (int32_t i = 0; i < project.Components.count; ++i) {
      const engine::Component* component = project.Components.At(i);
      referenced_.insert(component->EntryNumber);
      if (component->SubProject != nullptr) Walk(*component->SubProject, component->EntryNumber);
    }
  }

  void ReportUnnamedEntries() {
    for (size_t i = 0; i < data_.size(); ++i) {
      int32_t entry = static_cast<int32_t>(i + 2);
      if (referenced_.count(entry) != 0) continue;
      Warn(data_[i].label, "",
           "entry " + std::to_string(entry) +
               " is named by no project file: it is packed but never used");
    }
  }

  int ProjectFiles() const { return static_cast<int>(visited_.size()); }
  std::vector<Finding> TakeFindings() { return std::move(findings_); }

 private:
  static std::string MissingEntryNote(int32_t entry) {
    return entry == 0 ? " (entry 0 is the engine, extracted as tarnwick.exe)" : "";
  }

  std::string PackageRange() const {
    if (data_.empty()) return " (it has no data entries)";
    return " (it has entries 2 to " + std::to_string(data_.size() + 1) + ")";
  }

  void Warn(const std::string& file, const std::string& where, const std::string& message,
            bool dangling = false) {
    findings_.push_back(Finding{Severity::kWarning, dangling, file, where, message});
  }

  void CheckEntry(const std::string& file, const std::string& where, int32_t entry) {
    referenced_.insert(entry);
    if (Exists(entry)) return;
    Warn(file, where,
         "entry " + std::to_string(entry) + " is not in the package" +
             (entry == 0 ? MissingEntryNote(entry) : PackageRange()),
         true);
  }

  void CheckName(const std::string& file, const std::string& where, const char* name) {
    std::string_view text(name);
    if (text.find_first_of("\\/:") != std::string_view::npos) {
      Warn(file, where,
           "the name has a directory part ('\\', '/' or ':'); it should be a plain name");
    } else if (text == "." || text == "..") {
      Warn(file, where, "the name stands for a directory, not a plain name");
    }
    if (text.size() >= kLongestName) {
      Warn(file, where,
           "the name reaches 259 characters, the most the engine keeps: it may have been cut");
    }
  }

  // A Readme or EULA that names nothing: why not.
  static std::string NoSuchFile(const engine::Project& project, engine::FileRef ref) {
    if (ref.Section < 0 || ref.Section >= engine::kFileSectionCount) {
      return "names file " + std::to_string(ref.Index) + " of section " +
             std::to_string(ref.Section) +
             ", but sections are 0 (Application), 1 (System) and 2 (Conduit)";
    }
    int32_t count = engine::FilesOf(project, ref.Section)->count;
    return std::string("names ") + engine::kFileSectionNames[ref.Section] + " file " +
           std::to_string(ref.Index) + ", but the section has " +
           (count == 0   ? "no files"
            : count == 1 ? "only File0"
                         : "only File0 to File" + std::to_string(count - 1));
  }

  void CheckFile(const engine::Project& project, const std::string& file) {
    if (project.Launch.EntryNumber != -1) {
      std::string where = "[Project] Launch " + Quoted(project.Launch.Name.c_str());
      CheckName(file, where, project.Launch.Name.c_str());
      CheckEntry(file, where, project.Launch.EntryNumber);
    }
    for (int32_t i = 0; i < project.HandheldFiles.count; ++i) {
      const engine::HandheldFile* handheld = project.HandheldFiles.At(i);
      std::string where =
          "[Palm] File" + std::to_string(i + 1) + " " + Quoted(handheld->Name.c_str());
      CheckName(file, where, handheld->Name.c_str());
      CheckEntry(file, where, handheld->EntryNumber);
    }
    for (int32_t section = 0; section < engine::kFileSectionCount; ++section) {
      const std::string sectionName = std::string("[") + engine::kFileSectionNames[section] + "] ";
      const int32_t folderCount = engine::FoldersOf(project, section)->count;
      for (int32_t i = 0; i < folderCount; ++i) {
        const engine::FolderEntry* folder = engine::FolderAt(project, section, i);
        std::string where =
            sectionName + "Folder" + std::to_string(i) + " " + Quoted(folder->Name.c_str());
        CheckName(file, where, folder->Name.c_str());
      }
      for (int32_t i = 0; i < engine::FilesOf(project, section)->count; ++i) {
        const engine::DesktopFile* desktop = engine::DesktopFileAt(project, section, i);
        std::string where =
            sectionName + "File" + std::to_string(i) + " " + Quoted(desktop->Name.c_str());
        CheckName(file, where, desktop->Name.c_str());
        if (engine::FolderAt(project, section, desktop->FolderIndex) == nullptr) {
          Warn(
              file, where,
              "folder " + std::to_string(desktop->FolderIndex) +
                  " is not in the section, which has " +
                  (folderCount == 0   ? "no folders"
                   : folderCount == 1 ? "only Folder0"
                                      : "only Folder0 to Folder" + std::to_string(folderCount - 1)),
              true);
        }
        CheckEntry(file, where, desktop->EntryNumber);
        if (desktop->CopyMode < 0 || desktop->CopyMode > 3) {
          Warn(file, where,
               "copy mode " + std::to_string(desktop->CopyMode) +
                   " is not 0 to 3: the installation would fail to copy this file");
        }
      }
    }
    if (project.Eula.Index >= 0) {
      const engine::DesktopFile* licence = engine::ReferencedFile(project, project.Eula);
      if (licence == nullptr) {
        Warn(file, "[Project] EULA", NoSuchFile(project, project.Eula), true);
      } else if (const CheckedFile* content = FileOf(licence->EntryNumber);
                 content != nullptr && content->content.empty()) {
        Warn(file, "[Project] EULA",
             "the licence file " + Quoted(licence->Name.c_str()) + " (entry " +
                 std::to_string(licence->EntryNumber) + ", " + content->label +
                 ") is empty: the licence page would show no text");
      }
    }
    if (project.Readme.Index >= 0) {
      const engine::DesktopFile* readme = engine::ReferencedFile(project, project.Readme);
      if (readme == nullptr) {
        Warn(file, "[Project] Readme", NoSuchFile(project, project.Readme), true);
      } else if (project.Readme.Section != engine::Application) {
        Warn(file, "[Project] Readme",
             std::string("names a ") + engine::kFileSectionNames[project.Readme.Section] +
                 " file, " + Quoted(readme->Name.c_str()) +
                 ": only Application files are copied where the welcome page opens the read-me");
      }
    }
  }

  const CheckedFile& project_;
  const std::vector<CheckedFile>& data_;
  std::set<int32_t> visited_;
  std::set<int32_t> referenced_;
  std::vector<Finding> findings_;
};

}  // namespace

std::string FormatFinding(const Finding& finding) {
  std::string text = finding.severity == Severity::kError ? "error: " : "warning: ";
  text += finding.file + ": ";
  if (!finding.where.empty()) text += finding.where + ": ";
  return text + finding.message;
}

bool CheckResult::HasDanglingReference() const {
  for (const Finding& finding : findings) {
    if (finding.dangling) return true;
  }
  return false;
}

int CheckResult::WarningCount() const {
  int count = 0;
  for (const Finding& finding : findings) count += finding.severity == Severity::kWarning;
  return count;
}

CheckResult CheckProject(const CheckedFile& project, const std::vector<CheckedFile>& data) {
  sim::Reset();
  sim::World& world = sim::TheWorld();
  world.AddDirectory(kStagingDirectory);
  world.AddFile(StagedPath(1),
                std::vector<uint8_t>(project.content.begin(), project.content.end()));
  for (size_t i = 0; i < data.size(); ++i) {
    world.AddFile(StagedPath(static_cast<int32_t>(i + 2)),
                  std::vector<uint8_t>(data[i].content.begin(), data[i].content.end()));
  }

  Checker checker(project, data);
  CheckResult result;
  engine::Project root;
  engine::InitProject(&root);
  engine::LoadFault fault;
  result.loads = engine::LoadProject(&root, StagedPath(1).c_str(), true, &fault);
  if (result.loads) {
    checker.Walk(root, 1);
    checker.ReportUnnamedEntries();
    result.projectFiles = checker.ProjectFiles();
    result.findings = checker.TakeFindings();
  } else {
    result.findings.push_back(checker.Refusal(root, fault));
  }
  engine::ReleaseProject(&root);
  return result;
}

void DropStagedFiles() { sim::Reset(); }

}  // namespace pack
