#include "engine/project/project_loader.h"

#include "platform/platform.h"

namespace engine {

// ---- value parsers ------------------------------------------------------------------------

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

const char* SkipBlanks(const char* cursor) {
  while (IsBlank(*cursor)) ++cursor;
  return cursor;
}

bool ParseQuotedString(const char** cursor, char* target, size_t width) {
  const char* open = SkipBlanks(*cursor);
  if (*open != '"') return false;
  const char* close = open + 1;
  while (*close != '"') {
    if (*close == '\0') return false;
    ++close;
  }
  size_t length = 0;
  for (const char* c = open + 1; c < close && length + 1 < width; ++c) target[length++] = *c;
  target[length] = '\0';
  *cursor = close + 1;
  return true;
}

namespace {

// Digits up to a blank, a comma or the end of the value; value * 10 + digit in 32 bits.
bool ParseDigits(const char** cursor, uint32_t* target) {
  const char* c = *cursor;
  if (*c < '0' || *c > '9') return false;
  uint32_t value = 0;
  for (; *c >= '0' && *c <= '9'; ++c) value = value * 10 + static_cast<uint32_t>(*c - '0');
  if (*c != '\0' && *c != ',' && !IsBlank(*c)) return false;
  *cursor = c;
  *target = value;
  return true;
}

}  // namespace

bool ParseSignedNumber(const char** cursor, int32_t* target) {
  const char* c = SkipBlanks(*cursor);
  bool negative = *c == '-';
  if (negative) ++c;
  uint32_t value = 0;
  if (!ParseDigits(&c, &value)) return false;
  *target = static_cast<int32_t>(negative ? 0u - value : value);
  *cursor = c;
  return true;
}

bool ParseUnsignedNumber(const char** cursor, uint32_t* target) {
  const char* c = SkipBlanks(*cursor);
  if (!ParseDigits(&c, target)) return false;
  *cursor = c;
  return true;
}

bool ParseSeparator(const char** cursor) {
  const char* c = SkipBlanks(*cursor);
  if (*c != ',') return false;
  *cursor = SkipBlanks(c + 1);
  return true;
}

// ---- the loader ---------------------------------------------------------------------------

namespace {

constexpr const char kExpectString[] = "a string in double quotes";
constexpr const char kExpectClosingQuote[] = "a closing double quote";
constexpr const char kExpectComma[] = "a comma before the next field";
constexpr const char kExpectSigned[] = "a number (digits, optionally after \"-\")";
constexpr const char kExpectUnsigned[] = "an unsigned number (digits only)";

// One load of a tree: the files on the way down from the root, for the cycle guard, and
// how many files were read.
struct LoadContext {
  const char* chain[kMaxProjectDepth + 1];
  int depth = 0;
  int filesRead = 0;
  LoadFault* fault = nullptr;
};

// One value being read: where it came from and how far its fields have been taken.
struct Value {
  const char* path;
  const char* section;
  FixedString<16> key;
  char text[kValueBufferSize];
  const char* cursor;
  const char* expected = "";
};

void Read(Value* value, const char* section, const char* key, int32_t number = -1) {
  value->section = section;
  value->key.Assign(key);
  if (number >= 0) value->key.AppendDecimal(static_cast<uint32_t>(number), 1);
  platform::ReadProfileString(section, value->key.c_str(), "", value->text, kValueBufferSize,
                              value->path);
  value->cursor = value->text;
}

bool Fail(LoadContext* context, const char* path, const char* section, const char* key,
          const char* text, uint32_t offset, const char* expected) {
  if (LoadFault* fault = context->fault; fault != nullptr) {
    fault->path.Assign(path);
    fault->section.Assign(section);
    fault->key.Assign(key);
    fault->value.Assign(text);
    fault->offset = offset;
    fault->expected = expected;
  }
  return false;
}

bool Fail(LoadContext* context, const Value& value) {
  const char* at = SkipBlanks(value.cursor);
  return Fail(context, value.path, value.section, value.key.c_str(), value.text,
              static_cast<uint32_t>(at - value.text), value.expected);
}

// The field readers remember what they wanted, so that a failure can say so.
template <size_t N>
bool String(Value* value, FixedString<N>* target) {
  value->expected = *SkipBlanks(value->cursor) == '"' ? kExpectClosingQuote : kExpectString;
  return ParseQuotedString(&value->cursor, target);
}
bool Signed(Value* value, int32_t* target) {
  value->expected = kExpectSigned;
  return ParseSignedNumber(&value->cursor, target);
}
bool Unsigned(Value* value, uint32_t* target) {
  value->expected = kExpectUnsigned;
  return ParseUnsignedNumber(&value->cursor, target);
}
bool Separator(Value* value) {
  value->expected = kExpectComma;
  return ParseSeparator(&value->cursor);
}
bool NextSigned(Value* value, int32_t* target) { return Separator(value) && Signed(value, target); }
bool NextUnsigned(Value* value, uint32_t* target) {
  return Separator(value) && Unsigned(value, target);
}
template <size_t N>
bool NextString(Value* value, FixedString<N>* target) {
  return Separator(value) && String(value, target);
}

bool OutOfMemory(LoadContext* context, const Value& value) {
  return Fail(context, value.path, value.section, value.key.c_str(), value.text, 0,
              "memory for one more list element");
}

// Launch is read leniently: whatever does not parse only leaves the project without one.
void ReadLaunch(Project* project, Value* value) {
  project->Launch.EntryNumber = -1;
  Read(value, "Project", "Launch");
  if (value->text[0] == '\0' || !String(value, &project->Launch.Name)) return;
  const char* c = SkipBlanks(value->cursor);
  if (*c != ',') return;
  c = SkipBlanks(c + 1);
  ParseSignedNumber(&c, &project->Launch.EntryNumber);
}

bool ReadComponents(Project* project, Value* value, LoadContext* context) {
  for (int32_t n = 1;; ++n) {
    Read(value, "Project", "Component", n);
    if (value->text[0] == '\0') return true;
    FixedString<260> sourceName;
    int32_t entryNumber = -1, useMainFolders = 1, selected = 1;
    if (!String(value, &sourceName) || !NextSigned(value, &entryNumber) ||
        !NextSigned(value, &useMainFolders) || !NextSigned(value, &selected)) {
      return Fail(context, *value);
    }
    if (!AddComponent(project, sourceName.c_str(), entryNumber, useMainFolders, selected)) {
      return OutOfMemory(context, *value);
    }
  }
}

bool ReadHandheldFiles(Project* project, Value* value, LoadContext* context) {
  for (int32_t n = 1;; ++n) {
    Read(value, "Palm", "File", n);
    if (value->text[0] == '\0') return true;
    FixedString<260> name;
    int32_t entryNumber = -1;
    if (!String(value, &name) || !NextSigned(value, &entryNumber)) return Fail(context, *value);
    if (!AddHandheldFile(project, name.c_str(), entryNumber)) return OutOfMemory(context, *value);
  }
}

bool ReadFolders(Project* project, int32_t section, Value* value, LoadContext* context) {
  for (int32_t n = 0;; ++n) {
    Read(value, kFileSectionNames[section], "Folder", n);
    if (value->text[0] == '\0') return true;
    FixedString<260> name;
    // Only the name counts; the comma must follow, and what follows it is not looked at.
    if (!String(value, &name)) return Fail(context, *value);
    value->expected = kExpectComma;
    if (*SkipBlanks(value->cursor) != ',') return Fail(context, *value);
    if (!AddFolder(project, section, name.c_str())) return OutOfMemory(context, *value);
  }
}

bool ReadConduitRecord(ConduitRecord* record, Value* value) {
  return NextString(value, &record->Arguments) && NextUnsigned(value, &record->Creator) &&
         NextString(value, &record->Directory) && NextString(value, &record->File0) &&
         NextString(value, &record->Information) && NextUnsigned(value, &record->Integrate) &&
         NextString(value, &record->Module) && NextString(value, &record->Name) &&
         NextUnsigned(value, &record->Priority) && NextString(value, &record->Remote0);
}

bool ReadDesktopFiles(Project* project, int32_t section, Value* value, LoadContext* context) {
  for (int32_t n = 0;; ++n) {
    Read(value, kFileSectionNames[section], "File", n);
    if (value->text[0] == '\0') return true;
    FixedString<260> name;
    int32_t folderIndex = -1, entryNumber = -1, kind = Plain, copyMode = 2, shortcut = 0;
    if (!String(value, &name) || !NextSigned(value, &folderIndex) ||
        !NextSigned(value, &entryNumber) || !NextSigned(value, &kind) ||
        !NextSigned(value, &copyMode) || !NextSigned(value, &shortcut)) {
      return Fail(context, *value);
    }
    int32_t index = AddDesktopFile(project, section, name.c_str(), folderIndex, entryNumber, kind,
                                   copyMode, shortcut);
    if (index < 0) return OutOfMemory(context, *value);
    DesktopFile* file = project->Files[section].At(index);
    // The extras go straight into the appended file: a failure keeps what was read so far.
    if (kind == HotSyncConduit) {
      if (!ReadConduitRecord(&file->ConduitRecord, value)) return Fail(context, *value);
    } else if (kind == SelfRegistering) {
      if (!NextSigned(value, &file->SelfRegister)) return Fail(context, *value);
    } else if (kind != Plain) {
      value->expected = "Kind 0 (plain), 1 (HotSync conduit) or 2 (self-registering)";
      return Fail(context, *value);
    }
  }
}

// EULA and Readme: two signed numbers, Section then Index; an empty value means none.
bool ReadFileRef(FileRef* ref, const char* key, Value* value) {
  ref->Index = -1;
  Read(value, "Project", key);
  if (value->text[0] == '\0') return true;
  return Signed(value, &ref->Section) && NextSigned(value, &ref->Index);
}

// "<directory of path>\%08d": the sub-project files lie beside the file that lists them.
bool FormSubProjectPath(const char* path, int32_t entryNumber, PathBuffer* subPath) {
  size_t directoryLength = 0;
  for (size_t i = 0; path[i] != '\0'; ++i) {
    if (path[i] == '\\' || path[i] == '/' || (i == 1 && path[i] == ':')) directoryLength = i + 1;
  }
  subPath->Clear();
  for (size_t i = 0; i < directoryLength; ++i) {
    if (!subPath->AppendChar(path[i])) return false;
  }
  uint32_t magnitude = static_cast<uint32_t>(entryNumber);
  int digits = 8;
  if (entryNumber < 0) {  // as "%08d" writes it: the sign takes one of the eight places
    if (!subPath->AppendChar('-')) return false;
    magnitude = 0u - magnitude;
    digits = 7;
  }
  return subPath->AppendDecimal(magnitude, digits);
}

bool SamePath(const char* a, const char* b) {
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  for (; *a != '\0' && upper(*a) == upper(*b); ++a, ++b) {
  }
  return upper(*a) == upper(*b);
}

bool LoadFile(Project* project, const char* path, bool recursive, LoadContext* context);

bool LoadSubProjects(Project* project, const char* path, LoadContext* context) {
  for (int32_t i = 0; i < project->Components.count; ++i) {
    Component* component = project->Components.At(i);
    FixedString<16> key;
    key.Assign("Component");
    key.AppendDecimal(static_cast<uint32_t>(i + 1), 1);
    PathBuffer subPath;
    if (!FormSubProjectPath(path, component->EntryNumber, &subPath)) {
      return Fail(context, path, "Project", key.c_str(), "", 0,
                  "a sub-project path of at most 259 characters");
    }
    for (int level = 0; level < context->depth; ++level) {
      if (SamePath(context->chain[level], subPath.c_str())) {
        return Fail(context, path, "Project", key.c_str(), subPath.c_str(), 0,
                    "a sub-project that is not already being loaded above it");
      }
    }
    if (context->depth > kMaxProjectDepth) {
      return Fail(context, path, "Project", key.c_str(), subPath.c_str(), 0,
                  "components nested at most 8 deep");
    }
    if (!LoadFile(component->SubProject, subPath.c_str(), true, context)) return false;
  }
  return true;
}

bool LoadFile(Project* project, const char* path, bool recursive, LoadContext* context) {
  if (++context->filesRead > kMaxProjectFiles) {
    return Fail(context, path, "", "", "", 0, "at most 256 project files in one tree");
  }
  Value value;
  value.path = path;

  platform::ReadProfileString("Project", "Title", "", project->Title.buffer(), 80, path);
  project->Title.Adopt();
  if (project->Title.empty()) {
    return Fail(context, path, "Project", "Title", "", 0,
                "a project file with a Title (a missing file reads as empty)");
  }
  platform::ReadProfileString("Project", "Version", "", project->Version.buffer(), 80, path);
  project->Version.Adopt();
  platform::ReadProfileString("Project", "Company", "", project->Company.buffer(), 80, path);
  project->Company.Adopt();
  ReadLaunch(project, &value);
  project->Multicomp =
      static_cast<int32_t>(platform::ReadProfileInt("Project", "Multicomp", 0, path));

  ReleaseComponents(project);
  if (!ReadComponents(project, &value, context)) return false;
  if (recursive) {
    context->chain[context->depth++] = path;
    bool loaded = LoadSubProjects(project, path, context);
    --context->depth;
    if (!loaded) return false;
  }

  project->HandheldFiles.Free();
  if (!ReadHandheldFiles(project, &value, context)) return false;

  for (int32_t section = 0; section < kFileSectionCount; ++section)
    project->Folders[section].Free();
  for (int32_t section = 0; section < kFileSectionCount; ++section) project->Files[section].Free();
  for (int32_t section = 0; section < kFileSectionCount; ++section) {
    if (!ReadFolders(project, section, &value, context) ||
        !ReadDesktopFiles(project, section, &value, context)) {
      return false;
    }
  }

  if (!ReadFileRef(&project->Eula, "EULA", &value)) return Fail(context, value);
  if (!ReadFileRef(&project->Readme, "Readme", &value)) return Fail(context, value);
  return true;
}

}  // namespace

bool LoadProject(Project* project, const char* path, bool recursive, LoadFault* fault) {
  LoadContext context;
  context.fault = fault;
  return LoadFile(project, path, recursive, &context);
}

}  // namespace engine
