#include "tools/pack/entry_map.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>

#include "tools/pack/host_files.h"

namespace pack {

namespace {

enum class NumberSyntax { kOk, kNotANumber, kTooLarge };

// Decimal digits only, no sign, the value within an entry number's 32 signed bits.
NumberSyntax ParseEntryNumber(const std::string& text, int32_t* number) {
  if (text.empty()) return NumberSyntax::kNotANumber;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return NumberSyntax::kNotANumber;
    value = value * 10 + (c - '0');
    if (value > std::numeric_limits<int32_t>::max()) return NumberSyntax::kTooLarge;
  }
  *number = static_cast<int32_t>(value);
  return NumberSyntax::kOk;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string Trim(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string TooLarge(const std::string& digits) {
  return "entry number " + digits + " is too large (at most " +
         std::to_string(std::numeric_limits<int32_t>::max()) + ")";
}

// Why number cannot name a data entry, or "" when it can.
std::string NotADataEntry(int32_t number) {
  if (number == 0) return "entry 0 is the engine (--engine); data entries start at 2";
  if (number == 1) return "entry 1 is the project file (--project); data entries start at 2";
  return "";
}

// "4", "4-8" or "4-8, 10, 12-20", shortened after a few ranges.
std::string DescribeGaps(const std::vector<std::pair<int64_t, int64_t>>& gaps) {
  constexpr size_t kShown = 4;
  std::string text;
  for (size_t i = 0; i < gaps.size() && i < kShown; ++i) {
    if (i != 0) text += ", ";
    text += std::to_string(gaps[i].first);
    if (gaps[i].second != gaps[i].first) text += "-" + std::to_string(gaps[i].second);
  }
  if (gaps.size() > kShown) text += ", ...";
  return text;
}

}  // namespace

bool ParseEntryManifest(const std::string& manifestPath, const std::string& text,
                        std::vector<EntrySource>* entries, std::string* error) {
  const std::filesystem::path directory = std::filesystem::path(manifestPath).parent_path();
  std::map<int32_t, std::string> seen;  // number -> origin
  size_t lineStart = 0;
  for (int lineNumber = 1; lineStart < text.size(); ++lineNumber) {
    size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    const std::string line = Trim(text.substr(lineStart, lineEnd - lineStart));
    lineStart = lineEnd + 1;
    if (line.empty() || line[0] == '#') continue;

    const std::string origin = manifestPath + ":" + std::to_string(lineNumber);
    auto fail = [&](const std::string& why) {
      *error = origin + ": " + why;
      return false;
    };
    size_t equals = line.find('=');
    const std::string digits = Trim(line.substr(0, equals));
    int32_t number = 0;
    NumberSyntax syntax =
        equals == std::string::npos ? NumberSyntax::kNotANumber : ParseEntryNumber(digits, &number);
    if (syntax == NumberSyntax::kNotANumber) {
      return fail("expected N=PATH (N the entry number in decimal), not '" + line + "'");
    }
    if (syntax == NumberSyntax::kTooLarge) return fail(TooLarge(digits));
    if (std::string why = NotADataEntry(number); !why.empty()) return fail(why);
    const std::string path = Trim(line.substr(equals + 1));
    if (path.empty()) return fail("no path after '='");
    if (auto [it, added] = seen.emplace(number, origin); !added) {
      return fail("entry " + std::to_string(number) + " is given twice (also at " + it->second +
                  ")");
    }
    std::filesystem::path file(path);
    EntrySource entry;
    entry.number = number;
    entry.path = file.is_absolute() || directory.empty() ? path : (directory / file).string();
    entry.origin = origin;
    entry.fromManifest = true;
    entries->push_back(std::move(entry));
  }
  return true;
}

EntryMapStatus MapDataEntries(const std::optional<std::string>& manifestPath,
                              const std::vector<std::string>& arguments,
                              std::vector<EntrySource>* entries, std::string* error) {
  std::vector<EntrySource> given;
  if (manifestPath) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(*manifestPath, &bytes, nullptr, error)) return EntryMapStatus::kInvalid;
    if (!ParseEntryManifest(*manifestPath, std::string(bytes.begin(), bytes.end()), &given,
                            error)) {
      return EntryMapStatus::kInvalid;
    }
  }
  std::map<int32_t, size_t> byNumber;  // number -> position in given
  for (size_t i = 0; i < given.size(); ++i) byNumber[given[i].number] = i;
  int64_t highest = byNumber.empty() ? kFirstDataEntry - 1 : byNumber.rbegin()->first;

  for (const std::string& argument : arguments) {
    auto fail = [&](const std::string& why) {
      *error = "DATA '" + argument + "': " + why;
      return EntryMapStatus::kCommandLine;
    };
    EntrySource entry;
    entry.origin = "argument '" + argument + "'";
    size_t equals = argument.find('=');
    std::string digits = equals == std::string::npos ? std::string() : argument.substr(0, equals);
    int32_t number = 0;
    NumberSyntax syntax = ParseEntryNumber(digits, &number);
    if (syntax == NumberSyntax::kTooLarge) return fail(TooLarge(digits));
    if (syntax == NumberSyntax::kOk) {
      if (std::string why = NotADataEntry(number); !why.empty()) return fail(why);
      entry.path = argument.substr(equals + 1);
      if (entry.path.empty()) return fail("no path after '='");
    } else {
      if (highest >= std::numeric_limits<int32_t>::max()) {
        return fail("no entry number is left after " + std::to_string(highest));
      }
      number = static_cast<int32_t>(highest + 1);
      entry.path = argument;
    }
    entry.number = number;
    if (auto it = byNumber.find(number); it != byNumber.end()) {
      return fail("entry " + std::to_string(number) + " is given twice (also by " +
                  given[it->second].origin + ")");
    }
    byNumber[number] = given.size();
    highest = std::max<int64_t>(highest, number);
    given.push_back(std::move(entry));
  }

  std::vector<std::pair<int64_t, int64_t>> gaps;
  int64_t expected = kFirstDataEntry;
  for (const auto& [number, position] : byNumber) {
    if (number > expected) gaps.emplace_back(expected, number - 1);
    expected = static_cast<int64_t>(number) + 1;
  }
  if (!gaps.empty()) {
    const EntrySource& last = given[byNumber.rbegin()->second];
    *error = "entries 2 to " + std::to_string(last.number) + " must all be given (the highest, " +
             std::to_string(last.number) + ", comes from " + last.origin +
             "); missing: " + DescribeGaps(gaps);
    return last.fromManifest ? EntryMapStatus::kInvalid : EntryMapStatus::kCommandLine;
  }

  entries->clear();
  for (const auto& [number, position] : byNumber) entries->push_back(given[position]);
  return EntryMapStatus::kOk;
}

}  // namespace pack
