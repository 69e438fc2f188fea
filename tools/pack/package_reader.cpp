#include "tools/pack/package_reader.h"

#include <cstdio>

#include "tools/pack/package_writer.h"

namespace pack {

namespace {

constexpr uint64_t kMaxFileSize = 0xFFFFFFFFull;
constexpr uint32_t kMaxStreamSize = 0x7FFFFFFF;

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

std::string Number(uint64_t value) { return std::to_string(value) + " (" + Hex(value) + ")"; }

}  // namespace

std::string MemberName(uint32_t index) {
  PathBuffer name;
  package::AppendMemberName(index, &name);
  return name.c_str();
}

PackageView ReadPackage(std::span<const uint8_t> installer) {
  PackageView view;
  view.fileSize = installer.size();
  auto refuse = [&view](Fault fault, int64_t entry, std::string message) {
    view.problems.push_back(Problem{fault, entry, std::move(message)});
  };

  if (installer.size() > kMaxFileSize) {
    refuse(Fault::kInstallerTooLarge, -1,
           "the file is 4 GiB or larger; the launcher sees only the low 32 bits of its size");
    return view;
  }
  const uint32_t fileSize = static_cast<uint32_t>(installer.size());

  std::vector<size_t> locators = FindLocatorTags(installer);
  if (locators.empty()) {
    refuse(Fault::kNoLocator, -1, "no package locator (\"RU\" ... \"ISTANG\") in the file");
    return view;
  }
  view.locatorPosition = locators[0];
  const uint32_t packageOffset = LocatorOffsetAt(installer, locators[0]);
  if (packageOffset == package::kSentinel) {
    refuse(Fault::kEmptyLocator, -1,
           "the locator at " + Hex(locators[0]) + " is empty: no package is attached");
    return view;
  }
  // Tags behind the package's start are entry bytes, not a second locator.
  for (size_t k = 1; k < locators.size(); ++k) {
    if (locators[k] + package::kLocatorSize <= packageOffset) {
      refuse(Fault::kDuplicateLocator, -1,
             "the launcher's image carries more than one package locator (at " + Hex(locators[0]) +
                 " and " + Hex(locators[k]) + ")");
      return view;
    }
  }
  if (locators[0] + package::kLocatorSize > packageOffset) {
    refuse(Fault::kLocatorInPackage, -1,
           "the locator at " + Hex(locators[0]) + " points to " + Hex(packageOffset) +
               ", before its own end: the package would overlap the launcher's image");
    return view;
  }
  view.packageOffset = packageOffset;

  if (fileSize < 4 || packageOffset > fileSize - 4) {
    refuse(Fault::kTablePastEnd, -1,
           "the package offset " + Number(packageOffset) +
               " leaves no room for the entry table in a file of " + Number(fileSize) + " bytes");
    return view;
  }
  const uint32_t firstOffset = package::ReadLe32(&installer[packageOffset]);
  const uint32_t count = package::EntryCountFrom(firstOffset, packageOffset);
  if (count == 0) {
    refuse(Fault::kNoEntries, -1,
           "the first entry offset " + Number(firstOffset) +
               " leaves no room for a table entry behind the package offset " +
               Number(packageOffset) + ": no entries");
    return view;
  }
  if (!package::TableFits(packageOffset, count, fileSize)) {
    std::string why = firstOffset < packageOffset ? " (it lies before the package)" : "";
    refuse(Fault::kTablePastEnd, -1,
           "the first entry offset " + Number(firstOffset) + why + " makes a table of " +
               std::to_string(count) + " entries, which runs past the end of the file (" +
               Number(fileSize) + " bytes)");
    return view;
  }
  view.entryCount = count;
  view.spareBytes = firstOffset - packageOffset - 4 * count;
  view.offsets.resize(count);
  for (uint32_t i = 0; i < count; ++i) {
    view.offsets[i] = package::ReadLe32(&installer[packageOffset + 4 * i]);
  }

  package::EntryTable table{view.offsets.data(), count};
  for (uint32_t i = 0; i < count; ++i) {
    package::EntryExtent extent;
    const std::string name = "entry " + std::to_string(i) + " (" + MemberName(i) + ")";
    if (!package::LocateEntry(table, i, fileSize, &extent)) {
      uint32_t start = view.offsets[i];
      bool last = i + 1 == count;
      uint32_t end = last ? fileSize : view.offsets[i + 1];
      if (start >= fileSize || end > fileSize) {
        refuse(Fault::kEntryPastEnd, i,
               name + " spans " + Hex(start) + ".." + Hex(end) + ", past the end of the file at " +
                   Hex(fileSize));
      } else if (start >= end) {
        refuse(Fault::kOffsetsNotIncreasing, i,
               name + " starts at " + Hex(start) + " but the next entry at " + Hex(end) +
                   ": the offsets do not increase");
      } else {
        refuse(Fault::kEntryShorterThanHeader, i,
               name + " is " + std::to_string(end - start) + " bytes, shorter than its " +
                   std::to_string(package::kHeaderSize) + "-byte header");
      }
      continue;
    }
    if (extent.size - package::kHeaderSize > kMaxStreamSize) {
      refuse(Fault::kEntryTooLarge, i, name + " holds a stream of 2 GiB or more");
      continue;
    }
    const uint8_t* bytes = installer.data() + extent.start;
    view.entries.push_back(
        PackageEntry{i, extent, package::ParseEntryHeader(bytes),
                     std::span<const uint8_t>(bytes + package::kHeaderSize,
                                              extent.size - package::kHeaderSize)});
  }
  return view;
}

}  // namespace pack
