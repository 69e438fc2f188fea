#include "tests/shared/project_dump.h"

#include <cstring>

namespace testing_support {

namespace {

using engine::Project;

// Texts are printed between brackets with every byte outside printable ASCII as \xNN, so a
// cut or a stray byte shows.
void Text(std::FILE* out, const char* label, const char* text) {
  std::fprintf(out, "%s=[", label);
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c != 0; ++c) {
    if (*c >= 0x20 && *c < 0x7F && *c != '\\') {
      std::fputc(*c, out);
    } else {
      std::fprintf(out, "\\x%02X", *c);
    }
  }
  std::fputs("] ", out);
}

void Number(std::FILE* out, const char* label, long long value) {
  std::fprintf(out, "%s=%lld ", label, value);
}

void Line(std::FILE* out, int depth, const char* what, int32_t index) {
  std::fprintf(out, "\n%*s%s", depth * 2, "", what);
  if (index >= 0) std::fprintf(out, "[%d]", index);
  std::fputc(' ', out);
}

void DumpConduit(std::FILE* out, const engine::ConduitRecord& r) {
  Text(out, "Conduit", r.Conduit.c_str());
  Text(out, "Arguments", r.Arguments.c_str());
  Number(out, "Creator", r.Creator);
  Text(out, "Directory", r.Directory.c_str());
  Text(out, "File0", r.File0.c_str());
  Text(out, "Information", r.Information.c_str());
  Number(out, "Integrate", r.Integrate);
  Text(out, "Module", r.Module.c_str());
  Text(out, "Name", r.Name.c_str());
  Number(out, "Priority", r.Priority);
  Text(out, "Remote0", r.Remote0.c_str());
}

void DumpProject(std::FILE* out, const Project& p, int depth) {
  Line(out, depth, "Project", -1);
  Text(out, "Title", p.Title.c_str());
  Text(out, "Version", p.Version.c_str());
  Text(out, "Company", p.Company.c_str());
  Line(out, depth, "Launch", -1);
  Text(out, "Name", p.Launch.Name.c_str());
  Number(out, "EntryNumber", p.Launch.EntryNumber);
  Number(out, "Multicomp", p.Multicomp);
  Number(out, "Readme.Section", p.Readme.Section);
  Number(out, "Readme.Index", p.Readme.Index);
  Number(out, "Eula.Section", p.Eula.Section);
  Number(out, "Eula.Index", p.Eula.Index);
  for (int32_t i = 0; i < p.HandheldFiles.count; ++i) {
    Line(out, depth, "HandheldFile", i);
    Text(out, "Name", p.HandheldFiles.At(i)->Name.c_str());
    Number(out, "EntryNumber", p.HandheldFiles.At(i)->EntryNumber);
  }
  for (int32_t s = 0; s < engine::kFileSectionCount; ++s) {
    for (int32_t i = 0; i < p.Folders[s].count; ++i) {
      Line(out, depth, "Folder", i);
      Text(out, "Section", engine::kFileSectionNames[s]);
      Text(out, "Name", p.Folders[s].At(i)->Name.c_str());
    }
    for (int32_t i = 0; i < p.Files[s].count; ++i) {
      const engine::DesktopFile& f = *p.Files[s].At(i);
      Line(out, depth, "File", i);
      Text(out, "Section", engine::kFileSectionNames[s]);
      Text(out, "Name", f.Name.c_str());
      Number(out, "FolderIndex", f.FolderIndex);
      Number(out, "EntryNumber", f.EntryNumber);
      Number(out, "Kind", f.Kind);
      Number(out, "CopyMode", f.CopyMode);
      Number(out, "Shortcut", f.Shortcut);
      Number(out, "SelfRegister", f.SelfRegister);
      DumpConduit(out, f.ConduitRecord);
    }
  }
  for (int32_t i = 0; i < p.Components.count; ++i) {
    const engine::Component& c = *p.Components.At(i);
    Line(out, depth, "Component", i);
    Text(out, "SourceName", c.SourceName.c_str());
    Number(out, "EntryNumber", c.EntryNumber);
    Number(out, "UseMainFolders", c.UseMainFolders);
    Number(out, "Selected", c.Selected);
    DumpProject(out, *c.SubProject, depth + 1);
  }
}

}  // namespace

bool DumpProjectLoad(const char* directory, std::FILE* out) {
  PathBuffer root;
  root.Assign(directory);
  root.Append("\\00000001");
  Project project;
  engine::InitProject(&project);
  engine::LoadFault fault;
  bool loaded = engine::LoadProject(&project, root.c_str(), true, &fault);
  std::fprintf(out, "loaded=%d", loaded ? 1 : 0);
  if (!loaded) {
    const char* name = std::strrchr(fault.path.c_str(), '\\');
    Line(out, 0, "Fault", -1);
    Text(out, "file", name != nullptr ? name + 1 : fault.path.c_str());
    Text(out, "section", fault.section.c_str());
    Text(out, "key", fault.key.c_str());
    // A sub-project path in the value names the directory, which differs between targets.
    Text(out, "value", std::strchr(fault.value.c_str(), '\\') ? "(a path)" : fault.value.c_str());
    Number(out, "offset", fault.offset);
    Text(out, "expected", fault.expected);
  }
  DumpProject(out, project, 0);
  std::fputc('\n', out);
  engine::ReleaseProject(&project);
  return loaded;
}

}  // namespace testing_support
