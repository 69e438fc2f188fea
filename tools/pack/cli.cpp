#include "tools/pack/cli.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "tools/pack/entry_map.h"
#include "tools/pack/file_time.h"
#include "tools/pack/host_files.h"
#include "tools/pack/memory_decoder.h"
#include "tools/pack/package_reader.h"
#include "tools/pack/package_writer.h"
#include "tools/pack/project_check.h"

namespace pack {

namespace {

constexpr uint32_t kDefaultAttributes = 0x20;  // archive

constexpr const char kHelp[] =
    "usage:\n"
    "  tarnwick-pack build --launcher FILE --engine FILE --project FILE [--entries MANIFEST]\n"
    "                      [--force] [--attributes HEX] -o OUT [DATA...]\n"
    "  tarnwick-pack check PROJECT [--entries MANIFEST] [DATA...]\n"
    "  tarnwick-pack list INSTALLER\n"
    "  tarnwick-pack extract INSTALLER DIR\n"
    "  tarnwick-pack verify INSTALLER\n"
    "  tarnwick-pack --help\n"
    "\n"
    "build     checks the project as check does, then appends a package to a copy of the\n"
    "          launcher and writes the installer to OUT: entry 0 the engine (extracted as\n"
    "          tarnwick.exe), entry 1 the project file (00000001), entries 2.. the data files\n"
    "          (00000002, ...). Nothing is built when the engine would refuse the project or\n"
    "          when a reference points at nothing (an entry, folder or file that is not\n"
    "          there); other warnings are printed and do not stop the build.\n"
    "          The launcher must carry exactly one empty package locator.\n"
    "  --launcher FILE    the launcher image\n"
    "  --engine FILE      the installation engine\n"
    "  --project FILE     the project file\n"
    "  --entries MANIFEST the data entries, one N=PATH a line (see below)\n"
    "  --force            build even when the check finds the project wanting\n"
    "  --attributes HEX   Windows file attributes of every entry (default 20, archive)\n"
    "  -o, --output OUT   the installer; replaced only once it is complete\n"
    "  Each entry carries its file's creation (birth time, or last write where the file\n"
    "  system keeps none), last access and last write times. If SOURCE_DATE_EPOCH is set\n"
    "  (decimal seconds since 1970), that time is given to all three times of every entry,\n"
    "  so the same inputs give the same installer byte for byte.\n"
    "check     loads PROJECT and its sub-projects with the engine's own loader, as the\n"
    "          engine would find them in its extraction folder, and reports where and why\n"
    "          the engine would refuse it; then warns of what the engine does not check:\n"
    "          entry numbers not in the package, folder indexes and EULA or Readme\n"
    "          references that name nothing, copy modes outside 0..3, names with a directory\n"
    "          part or of 259 characters (perhaps cut), a Readme outside the Application\n"
    "          section, an empty licence file, and data entries no project file names.\n"
    "list      prints each entry: index, extraction name, attributes, the three times\n"
    "          (UTC), stored (compressed) and decoded size.\n"
    "extract   writes every entry into DIR (created if missing) under its extraction name,\n"
    "          with its last access and last write times; a read-only entry loses its\n"
    "          write permissions. Nothing is written unless the whole package is readable.\n"
    "verify    decodes every entry and reports whatever would make the launcher refuse\n"
    "          the installer.\n"
    "\n"
    "Data entries (build and check): each DATA is N=PATH, entry N (decimal, 2 or more), or\n"
    "a bare PATH, which takes the number after the highest given so far (2 when none was),\n"
    "so bare paths alone are entries 2, 3, ... in the order given. Write ./N=NAME for a file\n"
    "whose name looks like N=PATH. MANIFEST is a text file, conventionally 'entries' beside\n"
    "the project file, with one N=PATH a line, PATH relative to the manifest's directory\n"
    "unless absolute; blank lines and lines starting with '#' are ignored. The manifest's\n"
    "entries come before the DATA arguments. Every number from 2 to the highest must be\n"
    "given, and none twice.\n"
    "\n"
    "exit status: 0 done (check: the engine would load the project), 1 an input is\n"
    "unreadable or invalid (check: the engine would refuse the project), 2 wrong command\n"
    "line.\n";

void Complain(const std::string& message) { std::cerr << "tarnwick-pack: " << message << "\n"; }

int Usage(const std::string& message) {
  Complain(message);
  std::cerr << "try 'tarnwick-pack --help'\n";
  return kExitUsage;
}

std::string Hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

bool ParseHex32(const std::string& text, uint32_t* value) {
  std::string digits = text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits = digits.substr(2);
  }
  if (digits.empty() || digits.size() > 8) return false;
  uint32_t result = 0;
  for (char c : digits) {
    int digit = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
    if (digit < 0) return false;
    result = result << 4 | static_cast<uint32_t>(digit);
  }
  *value = result;
  return true;
}

struct Option {
  const char* longName;
  const char* shortName;              // or nullptr
  std::optional<std::string>* value;  // an option with a value, or
  bool* flag;                         // one without
};

// Accepts "--name VALUE", "--name=VALUE" and flags; a lone "--" ends the options. Everything
// else, from argv[first] on, is an operand.
int ParseOptions(const std::string& command, int argc, char** argv, int first,
                 const std::vector<Option>& known, std::vector<std::string>* operands) {
  bool optionsEnded = false;
  for (int i = first; i < argc; ++i) {
    std::string arg = argv[i];
    if (optionsEnded || arg.empty() || arg[0] != '-') {
      operands->push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const Option* match = nullptr;
    std::optional<std::string> inlineValue;
    for (const Option& k : known) {
      std::string longName = k.longName;
      if (arg == longName || (k.shortName != nullptr && arg == k.shortName)) {
        match = &k;
      } else if (arg.rfind(longName + "=", 0) == 0) {
        match = &k;
        inlineValue = arg.substr(longName.size() + 1);
      }
    }
    if (match == nullptr) return Usage(command + ": unknown option '" + arg + "'");
    if (match->flag != nullptr) {
      if (inlineValue) return Usage(command + ": " + match->longName + " takes no value");
      *match->flag = true;
      continue;
    }
    if (match->value->has_value()) return Usage(command + ": " + match->longName + " given twice");
    if (inlineValue) {
      *match->value = *inlineValue;
    } else if (i + 1 < argc) {
      *match->value = argv[++i];
    } else {
      return Usage(command + ": " + match->longName + " needs a value");
    }
  }
  return kExitOk;
}

struct BuildOptions {
  std::optional<std::string> launcher;
  std::optional<std::string> engine;
  std::optional<std::string> project;
  std::optional<std::string> entries;
  std::optional<std::string> output;
  std::optional<std::string> attributes;
  bool force = false;
  std::vector<std::string> data;
};

int ParseBuild(int argc, char** argv, BuildOptions* options) {
  const std::vector<Option> known = {{"--launcher", nullptr, &options->launcher, nullptr},
                                     {"--engine", nullptr, &options->engine, nullptr},
                                     {"--project", nullptr, &options->project, nullptr},
                                     {"--entries", nullptr, &options->entries, nullptr},
                                     {"--attributes", nullptr, &options->attributes, nullptr},
                                     {"--force", nullptr, nullptr, &options->force},
                                     {"--output", "-o", &options->output, nullptr}};
  if (int status = ParseOptions("build", argc, argv, 2, known, &options->data); status != kExitOk) {
    return status;
  }
  if (!options->launcher) return Usage("build: --launcher is missing");
  if (!options->engine) return Usage("build: --engine is missing");
  if (!options->project) return Usage("build: --project is missing");
  if (!options->output) return Usage("build: -o OUT is missing");
  return kExitOk;
}

struct InputFile {
  std::string path;
  std::vector<uint8_t> content;
  FileTimes times{};
};

// Which files are entries 2..; kExitOk, or the exit status after saying what is wrong.
int MapData(const std::string& command, const std::optional<std::string>& manifest,
            const std::vector<std::string>& data, std::vector<EntrySource>* entries) {
  std::string error;
  switch (MapDataEntries(manifest, data, entries, &error)) {
    case EntryMapStatus::kOk:
      return kExitOk;
    case EntryMapStatus::kCommandLine:
      return Usage(command + ": " + error);
    case EntryMapStatus::kInvalid:
      break;
  }
  Complain(error);
  return kExitFailure;
}

bool ReadInput(const std::string& path, InputFile* file) {
  std::string error;
  file->path = path;
  if (ReadWholeFile(path, &file->content, &file->times, &error)) return true;
  Complain(error);
  return false;
}

// Runs the project check and prints what it found.
CheckResult CheckInputs(const InputFile& project, const std::vector<InputFile>& data) {
  std::vector<CheckedFile> staged;
  for (const InputFile& file : data) staged.push_back(CheckedFile{file.path, file.content});
  CheckResult result = CheckProject(CheckedFile{project.path, project.content}, staged);
  DropStagedFiles();
  for (const Finding& finding : result.findings) std::cerr << FormatFinding(finding) << "\n";
  return result;
}

constexpr const char kRefusal[] =
    "the engine would refuse this project (\"There is data missing. Installation will "
    "terminate.\")";

int DanglingCount(const CheckResult& result) {
  int count = 0;
  for (const Finding& finding : result.findings) count += finding.dangling;
  return count;
}

std::string Plural(int count, const std::string& one, const std::string& many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

int Check(int argc, char** argv) {
  std::optional<std::string> manifest;
  std::vector<std::string> operands;
  const std::vector<Option> known = {{"--entries", nullptr, &manifest, nullptr}};
  if (int status = ParseOptions("check", argc, argv, 2, known, &operands); status != kExitOk) {
    return status;
  }
  if (operands.empty()) return Usage("check: PROJECT is missing");
  const std::string projectPath = operands.front();
  std::vector<EntrySource> sources;
  if (int status = MapData("check", manifest, {operands.begin() + 1, operands.end()}, &sources);
      status != kExitOk) {
    return status;
  }
  InputFile project;
  std::vector<InputFile> data(sources.size());
  if (!ReadInput(projectPath, &project)) return kExitFailure;
  for (size_t i = 0; i < sources.size(); ++i) {
    if (!ReadInput(sources[i].path, &data[i])) return kExitFailure;
  }
  CheckResult result = CheckInputs(project, data);
  if (!result.loads) {
    Complain(projectPath + ": " + kRefusal);
    return kExitFailure;
  }
  std::cout << projectPath << ": the engine loads it: "
            << Plural(result.projectFiles, "project file", "project files") << ", "
            << Plural(static_cast<int>(data.size()), "data entry", "data entries") << ", "
            << Plural(result.WarningCount(), "warning", "warnings");
  if (int dangling = DanglingCount(result); dangling != 0) {
    std::cout << " (" << Plural(dangling, "reference points", "references point")
              << " at nothing: build refuses it without --force)";
  }
  std::cout << "\n";
  return kExitOk;
}

int Build(int argc, char** argv) {
  BuildOptions options;
  if (int status = ParseBuild(argc, argv, &options); status != kExitOk) return status;

  uint32_t attributes = kDefaultAttributes;
  if (options.attributes && !ParseHex32(*options.attributes, &attributes)) {
    return Usage("build: --attributes wants a hexadecimal number, not '" + *options.attributes +
                 "'");
  }
  std::vector<EntrySource> sources;
  if (int status = MapData("build", options.entries, options.data, &sources); status != kExitOk) {
    return status;
  }
  std::optional<uint64_t> fixedTime;
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr) {
    int64_t seconds = 0;
    if (!ParseSourceDateEpoch(epoch, &seconds)) {
      Complain(std::string("SOURCE_DATE_EPOCH must be decimal seconds since 1970, not '") + epoch +
               "'");
      return kExitFailure;
    }
    fixedTime = FileTimeFromUnix(seconds, 0);
  }

  std::string error;
  std::vector<uint8_t> launcher;
  if (!ReadWholeFile(*options.launcher, &launcher, nullptr, &error)) {
    Complain(error);
    return kExitFailure;
  }
  // Entry 0, entry 1, then the data entries in number order.
  std::vector<InputFile> inputs(2 + sources.size());
  if (!ReadInput(*options.engine, &inputs[0]) || !ReadInput(*options.project, &inputs[1])) {
    return kExitFailure;
  }
  for (size_t i = 0; i < sources.size(); ++i) {
    if (!ReadInput(sources[i].path, &inputs[2 + i])) return kExitFailure;
  }

  std::vector<InputFile> data(std::make_move_iterator(inputs.begin() + 2),
                              std::make_move_iterator(inputs.end()));
  inputs.resize(2);
  CheckResult check = CheckInputs(inputs[1], data);
  if (!check.loads || check.HasDanglingReference()) {
    std::string why =
        !check.loads
            ? kRefusal
            : Plural(DanglingCount(check), "reference points", "references point") + " at nothing";
    if (!options.force) {
      Complain(*options.project + ": nothing built: " + why + "; --force builds it anyway");
      return kExitFailure;
    }
    Complain(*options.project + ": building anyway (--force): " + why);
  }

  std::vector<PackEntry> entries;
  auto add = [&](InputFile& file) {
    PackEntry entry;
    entry.label = file.path;
    entry.content = std::move(file.content);
    FileTimes times = fixedTime ? FileTimes{*fixedTime, *fixedTime, *fixedTime} : file.times;
    entry.header =
        package::EntryHeader{attributes, times.creation, times.lastAccess, times.lastWrite};
    entries.push_back(std::move(entry));
  };
  for (InputFile& file : inputs) add(file);
  for (InputFile& file : data) add(file);

  std::vector<uint8_t> installer;
  if (!BuildInstaller(launcher, entries, &installer, &error)) {
    Complain(*options.launcher + ": " + error);
    return kExitFailure;
  }
  if (!WriteFileWhole(*options.output, installer, &error)) {
    Complain(error);
    return kExitFailure;
  }
  std::cout << *options.output << ": " << installer.size() << " bytes, " << entries.size()
            << " entries, package at " << launcher.size() << "\n";
  return kExitOk;
}

// Reads the installer and its package; reports the problems and says whether there were none.
bool Open(const std::string& path, std::vector<uint8_t>* bytes, PackageView* view) {
  std::string error;
  if (!ReadWholeFile(path, bytes, nullptr, &error)) {
    Complain(error);
    return false;
  }
  *view = ReadPackage(*bytes);
  for (const Problem& problem : view->problems) Complain(path + ": " + problem.message);
  return view->Readable();
}

int List(const std::string& path) {
  std::vector<uint8_t> bytes;
  PackageView view;
  bool readable = Open(path, &bytes, &view);
  if (view.entryCount == 0) return kExitFailure;
  std::printf("%s: %llu bytes, package at %u (0x%X), %u entries\n", path.c_str(),
              static_cast<unsigned long long>(view.fileSize), view.packageOffset,
              view.packageOffset, view.entryCount);
  std::printf("%5s  %-12s  %-10s  %-19s  %-19s  %-19s  %10s  %10s\n", "index", "name", "attributes",
              "created (UTC)", "last access (UTC)", "last write (UTC)", "stored", "decoded");
  for (const PackageEntry& entry : view.entries) {
    size_t decoded = DecodeToMemory(entry.stream).size();
    std::printf("%5u  %-12s  %-10s  %-19s  %-19s  %-19s  %10zu  %10zu\n", entry.index,
                MemberName(entry.index).c_str(), Hex32(entry.header.attributes).c_str(),
                FormatFileTime(entry.header.creationTime).c_str(),
                FormatFileTime(entry.header.lastAccessTime).c_str(),
                FormatFileTime(entry.header.lastWriteTime).c_str(), entry.stream.size(), decoded);
  }
  return readable ? kExitOk : kExitFailure;
}

int Extract(const std::string& path, const std::string& directory) {
  std::vector<uint8_t> bytes;
  PackageView view;
  if (!Open(path, &bytes, &view)) {
    Complain(path + ": nothing extracted");
    return kExitFailure;
  }
  std::string error;
  if (!MakeDirectoryIfMissing(directory, &error)) {
    Complain(error);
    return kExitFailure;
  }
  for (const PackageEntry& entry : view.entries) {
    std::string member = directory + "/" + MemberName(entry.index);
    std::string warning;
    const package::EntryHeader& h = entry.header;
    if (!WriteMember(member, DecodeToMemory(entry.stream), h.attributes,
                     FileTimes{h.creationTime, h.lastAccessTime, h.lastWriteTime}, &error,
                     &warning)) {
      Complain(error);
      return kExitFailure;
    }
    if (!warning.empty()) Complain("warning: " + warning);
  }
  std::cout << "extracted " << view.entries.size() << " entries into " << directory << "\n";
  return kExitOk;
}

// What the launcher makes of the first problem found.
std::string Verdict(Fault fault) {
  switch (fault) {
    case Fault::kNoLocator:
      return "not an installer of this kind";
    case Fault::kDuplicateLocator:
    case Fault::kLocatorInPackage:
      return "the launcher's image and its package cannot be told apart";
    case Fault::kEmptyLocator:
      return "the launcher would refuse it (\"This installation is corrupted.\")";
    default:
      return "the launcher would refuse it (\"File access error\")";
  }
}

int Verify(const std::string& path) {
  std::vector<uint8_t> bytes;
  PackageView view;
  bool readable = Open(path, &bytes, &view);
  uint64_t stored = 0;
  uint64_t decoded = 0;
  for (const PackageEntry& entry : view.entries) {
    stored += entry.stream.size();
    decoded += DecodeToMemory(entry.stream).size();
  }
  if (!readable) {
    Complain(path + ": " + Verdict(view.problems.front().fault));
    return kExitFailure;
  }
  if (view.spareBytes != 0) {
    std::cout << path << ": note: " << view.spareBytes
              << " spare bytes between the table and entry 0\n";
  }
  if (view.entryCount < 2) std::cout << path << ": note: no project file (entry 1)\n";
  std::cout << path << ": OK, " << view.entryCount << " entries, " << stored << " bytes stored, "
            << decoded << " bytes decoded\n";
  return kExitOk;
}

}  // namespace

int RunTool(int argc, char** argv) {
  if (argc < 2) return Usage("no command given");
  std::string command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << kHelp;
    return kExitOk;
  }
  if (command == "build") return Build(argc, argv);
  if (command == "check") return Check(argc, argv);
  auto wantArguments = [&](int count, const char* synopsis) {
    return argc == 2 + count ? kExitOk : Usage(std::string("usage: tarnwick-pack ") + synopsis);
  };
  if (command == "list") {
    if (int status = wantArguments(1, "list INSTALLER"); status != kExitOk) return status;
    return List(argv[2]);
  }
  if (command == "extract") {
    if (int status = wantArguments(2, "extract INSTALLER DIR"); status != kExitOk) return status;
    return Extract(argv[2], argv[3]);
  }
  if (command == "verify") {
    if (int status = wantArguments(1, "verify INSTALLER"); status != kExitOk) return status;
    return Verify(argv[2]);
  }
  return Usage("unknown command '" + command + "'");
}

}  // namespace pack
