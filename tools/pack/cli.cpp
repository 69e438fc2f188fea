#include "tools/pack/cli.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "tools/pack/file_time.h"
#include "tools/pack/host_files.h"
#include "tools/pack/memory_decoder.h"
#include "tools/pack/package_reader.h"
#include "tools/pack/package_writer.h"

namespace pack {

namespace {

constexpr uint32_t kDefaultAttributes = 0x20;  // archive

constexpr const char kHelp[] =
    "usage:\n"
    "  tarnwick-pack build --launcher FILE --engine FILE --project FILE\n"
    "                      [--attributes HEX] -o OUT [DATA...]\n"
    "  tarnwick-pack list INSTALLER\n"
    "  tarnwick-pack extract INSTALLER DIR\n"
    "  tarnwick-pack verify INSTALLER\n"
    "  tarnwick-pack --help\n"
    "\n"
    "build     appends a package to a copy of the launcher and writes the installer to OUT:\n"
    "          entry 0 the engine (extracted as tarnwick.exe), entry 1 the project file\n"
    "          (00000001), entries 2.. the data files in the order given (00000002, ...).\n"
    "          The launcher must carry exactly one empty package locator.\n"
    "  --launcher FILE    the launcher image\n"
    "  --engine FILE      the installation engine\n"
    "  --project FILE     the project file\n"
    "  --attributes HEX   Windows file attributes of every entry (default 20, archive)\n"
    "  -o, --output OUT   the installer; replaced only once it is complete\n"
    "  Each entry carries its file's creation (birth time, or last write where the file\n"
    "  system keeps none), last access and last write times. If SOURCE_DATE_EPOCH is set\n"
    "  (decimal seconds since 1970), that time is given to all three times of every entry,\n"
    "  so the same inputs give the same installer byte for byte.\n"
    "list      prints each entry: index, extraction name, attributes, the three times\n"
    "          (UTC), stored (compressed) and decoded size.\n"
    "extract   writes every entry into DIR (created if missing) under its extraction name,\n"
    "          with its last access and last write times; a read-only entry loses its\n"
    "          write permissions. Nothing is written unless the whole package is readable.\n"
    "verify    decodes every entry and reports whatever would make the launcher refuse\n"
    "          the installer.\n"
    "\n"
    "exit status: 0 done, 1 an input is unreadable or invalid, 2 wrong command line.\n";

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

struct BuildOptions {
  std::optional<std::string> launcher;
  std::optional<std::string> engine;
  std::optional<std::string> project;
  std::optional<std::string> output;
  std::optional<std::string> attributes;
  std::vector<std::string> data;
};

// Accepts "--name VALUE" and "--name=VALUE"; a lone "--" ends the options.
int ParseBuild(int argc, char** argv, BuildOptions* options) {
  struct Known {
    const char* longName;
    const char* shortName;
    std::optional<std::string>* slot;
  };
  const Known known[] = {{"--launcher", nullptr, &options->launcher},
                         {"--engine", nullptr, &options->engine},
                         {"--project", nullptr, &options->project},
                         {"--attributes", nullptr, &options->attributes},
                         {"--output", "-o", &options->output}};
  bool optionsEnded = false;
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if (optionsEnded || arg.empty() || arg[0] != '-') {
      options->data.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const Known* match = nullptr;
    std::optional<std::string> inlineValue;
    for (const Known& k : known) {
      std::string longName = k.longName;
      if (arg == longName || (k.shortName != nullptr && arg == k.shortName)) {
        match = &k;
      } else if (arg.rfind(longName + "=", 0) == 0) {
        match = &k;
        inlineValue = arg.substr(longName.size() + 1);
      }
    }
    if (match == nullptr) return Usage("build: unknown option '" + arg + "'");
    if (match->slot->has_value())
      return Usage(std::string("build: ") + match->longName + " given twice");
    if (inlineValue) {
      *match->slot = *inlineValue;
    } else if (i + 1 < argc) {
      *match->slot = argv[++i];
    } else {
      return Usage(std::string("build: ") + match->longName + " needs a value");
    }
  }
  if (!options->launcher) return Usage("build: --launcher is missing");
  if (!options->engine) return Usage("build: --engine is missing");
  if (!options->project) return Usage("build: --project is missing");
  if (!options->output) return Usage("build: -o OUT is missing");
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
  std::vector<std::string> paths = {*options.engine, *options.project};
  paths.insert(paths.end(), options.data.begin(), options.data.end());
  std::vector<PackEntry> entries;
  for (const std::string& path : paths) {
    PackEntry entry;
    entry.label = path;
    FileTimes times{};
    if (!ReadWholeFile(path, &entry.content, &times, &error)) {
      Complain(error);
      return kExitFailure;
    }
    if (fixedTime) times = FileTimes{*fixedTime, *fixedTime, *fixedTime};
    entry.header =
        package::EntryHeader{attributes, times.creation, times.lastAccess, times.lastWrite};
    entries.push_back(std::move(entry));
  }

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
