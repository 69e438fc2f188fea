// Which file on the build machine becomes which package entry. Entries 0 (the engine) and 1
// (the project file) have options of their own; the data entries 2.. come from an entries
// manifest and from the DATA arguments, which are "N=PATH" or a bare PATH.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pack {

// The first entry number a producer gives; 0 and 1 are the engine and the project file.
inline constexpr int32_t kFirstDataEntry = 2;

struct EntrySource {
  int32_t number = 0;
  std::string path;    // as the tool opens it
  std::string origin;  // where it was given, for messages: "dir/entries:3" or "argument 'PATH'"
  bool fromManifest = false;
};

enum class EntryMapStatus {
  kOk,
  kInvalid,      // the manifest is unreadable or wrong, or the entries do not fit together
  kCommandLine,  // a DATA argument is wrong
};

// The entries of a manifest's text: blank lines and lines whose first non-blank character is
// '#' say nothing; every other line is "N=PATH", blanks allowed around the line and around
// "=". A relative PATH is taken from the manifest's directory. Numbers are checked for
// syntax and range (2..2147483647) and for being given twice; not for gaps. False with
// *error ("file:line: why") at the first wrong line.
bool ParseEntryManifest(const std::string& manifestPath, const std::string& text,
                        std::vector<EntrySource>* entries, std::string* error);

// The data entries of one package, entry 2 first and no number left out: the manifest's
// entries (when a manifest is given), then the DATA arguments in order. "N=PATH" (N decimal
// digits before the first '=') gives entry N; any other argument is a bare PATH and gets the
// number after the highest given so far, 2 when none was. A number given twice, a number
// below 2 and a gap below the highest number are errors; *error says which.
EntryMapStatus MapDataEntries(const std::optional<std::string>& manifestPath,
                              const std::vector<std::string>& arguments,
                              std::vector<EntrySource>* entries, std::string* error);

}  // namespace pack
