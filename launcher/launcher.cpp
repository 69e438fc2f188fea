#include "launcher/launcher.h"

#include <cstddef>

#include "lzss/lzss_decoder.h"
#include "platform/fixed_string.h"

namespace launcher {

namespace {

constexpr int kSplashBitmap = 104;
constexpr int kSplashWidth = 134;  // one pixel less than the bitmap each way
constexpr int kSplashHeight = 51;
constexpr const char kTempPrefix[] = "bks";
constexpr const char kCaption[] = "Error";
constexpr const char* kStatusTexts[] = {"No Error", "This installation is corrupted.",
                                        "Can't open archive", "File access error"};
// The longest member name below entry 100,000,000 is "\tarnwick.exe".
constexpr size_t kLongestMemberName = 13;
constexpr uint32_t kMaxDecoderInput = 0x7FFFFFFF;

// Everything the pass owns; Finish() gives it back.
struct Pass {
  PathBuffer launchPath;
  PathBuffer extractionDir;
  PathBuffer tempFolder;
  PathBuffer modulePath;
  PathBuffer memberPath;
  platform::Handle archive = platform::kNoHandle;
  package::EntryTable table{nullptr, 0};
  uint8_t* entry = nullptr;
  uint32_t fileSize = 0;
};

// The locator is patched into the file after linking, so the compiler must not assume the
// values it was initialised with; its fields are unaligned, so they are read byte by byte.
uint32_t LocatorField(size_t at) {
  const volatile uint8_t* bytes = reinterpret_cast<const volatile uint8_t*>(&gPackageLocator);
  uint8_t field[4] = {bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]};
  return package::ReadLe32(field);
}
uint32_t LocatorOffset() { return LocatorField(offsetof(package::PackageLocator, offset)); }
uint32_t LocatorSentinel() { return LocatorField(offsetof(package::PackageLocator, sentinel)); }

void PaintSplash() {
  SplashOrigin origin = SplashPosition(platform::QueryScreenSize());
  platform::CopyBitmapToScreen(kSplashBitmap, kSplashWidth, kSplashHeight, origin.x, origin.y);
}

bool ReadExactly(platform::Handle file, void* buffer, uint32_t count) {
  uint32_t got = 0;
  return platform::ReadBytes(file, buffer, count, &got) && got == count;
}

// The extraction directory takes the place of a unique temporary file's name. Without a
// usable name (none given, or too long for the member paths) the pass ends before it forms
// the launch path.
bool MakeExtractionDirectory(Pass& pass) {
  uint32_t length = platform::TempFolderPath(pass.tempFolder.buffer());
  pass.tempFolder.Adopt();
  if (length == 0 || length >= platform::kMaxPath) return false;
  if (platform::UniqueTempName(pass.tempFolder.c_str(), kTempPrefix, pass.extractionDir.buffer()) ==
      0) {
    return false;
  }
  pass.extractionDir.Adopt();
  platform::RemoveFile(pass.extractionDir.c_str());
  if (pass.extractionDir.size() + kLongestMemberName >= platform::kMaxPath) return false;
  package::FormatMemberPath(pass.extractionDir.c_str(), 0, &pass.launchPath);
  return platform::MakeDirectory(pass.extractionDir.c_str());
}

// The table's size is checked against the file before anything is allocated for it.
bool ReadEntryTable(Pass& pass, uint32_t packageOffset) {
  uint8_t first[4];
  if (!ReadExactly(pass.archive, first, 4)) return false;
  uint32_t firstOffset = package::ReadLe32(first);
  uint32_t count = package::EntryCountFrom(firstOffset, packageOffset);
  if (!platform::QueryFileSize(pass.archive, &pass.fileSize)) return false;
  if (!package::TableFits(packageOffset, count, pass.fileSize)) return false;
  pass.table.offsets = static_cast<uint32_t*>(platform::AllocateMemory(count * sizeof(uint32_t)));
  if (pass.table.offsets == nullptr) return false;
  pass.table.count = count;
  pass.table.offsets[0] = firstOffset;
  uint32_t rest = (count - 1) * 4;
  auto* bytes = reinterpret_cast<uint8_t*>(pass.table.offsets + 1);
  if (rest != 0 && !ReadExactly(pass.archive, bytes, rest)) return false;
  for (uint32_t i = 1; i < count; ++i)
    pass.table.offsets[i] = package::ReadLe32(bytes + 4 * (i - 1));
  return true;
}

// Decodes one entry into its member file and stamps its times through the still-open file.
bool DecodeMember(const Pass& pass, uint32_t entrySize, const package::EntryHeader& header) {
  lzss::BufferToFileDecoder decoder(pass.entry + package::kHeaderSize,
                                    static_cast<int32_t>(entrySize - package::kHeaderSize),
                                    pass.memberPath.c_str());
  if (decoder.TakeError() != lzss::kStreamOk) return false;
  decoder.Decode();
  if (decoder.TakeError() != lzss::kStreamOk) return false;
  return platform::SetFileTimes(decoder.FileHandle(), header.creationTime, header.lastAccessTime,
                                header.lastWriteTime);
}

// Attributes go on by path after the file is closed, so a read-only member still gets its
// times first.
bool ExtractEntry(Pass& pass, uint32_t index) {
  package::EntryExtent extent;
  if (!package::LocateEntry(pass.table, index, pass.fileSize, &extent)) return false;
  if (extent.size - package::kHeaderSize > kMaxDecoderInput) return false;
  if (!platform::SeekTo(pass.archive, extent.start)) return false;
  pass.entry = static_cast<uint8_t*>(platform::AllocateMemory(extent.size));
  if (pass.entry == nullptr || !ReadExactly(pass.archive, pass.entry, extent.size)) return false;
  if (!package::FormatMemberPath(pass.extractionDir.c_str(), index, &pass.memberPath)) {
    return false;
  }
  package::EntryHeader header = package::ParseEntryHeader(pass.entry);
  if (!DecodeMember(pass, extent.size, header)) return false;
  if (!platform::SetAttributes(pass.memberPath.c_str(), header.attributes)) return false;
  platform::FreeMemory(pass.entry);
  pass.entry = nullptr;
  return true;
}

// The status moves 1 -> 2 -> 3 -> 0 as the pass gets past each stage.
int Extract(Pass& pass) {
  uint32_t packageOffset = LocatorOffset();
  if (packageOffset == LocatorSentinel()) return kNoPackage;

  platform::ModulePath(pass.modulePath.buffer());
  pass.modulePath.Adopt();
  pass.archive = platform::OpenInputFile(pass.modulePath.c_str());
  if (pass.archive == platform::kNoHandle) return kCantOpenArchive;

  if (!platform::SeekTo(pass.archive, packageOffset)) return kFileAccessError;
  if (!MakeExtractionDirectory(pass)) return kFileAccessError;
  if (!ReadEntryTable(pass, packageOffset)) return kFileAccessError;
  for (uint32_t i = 0; i < pass.table.count; ++i) {
    if (!ExtractEntry(pass, i)) return kFileAccessError;
  }
  return kLaunchOk;
}

// The path is quoted so that a temporary folder with blanks in its name cannot make the
// system start some other program along that path.
void StartEngine(const PathBuffer& launchPath) {
  if (launchPath.empty()) return;
  FixedString<platform::kMaxPath + 2> commandLine;
  commandLine.AppendChar('"');
  commandLine.Append(launchPath.c_str());
  commandLine.AppendChar('"');
  platform::StartProgram(commandLine.c_str(), platform::kShowNormal);
}

void Finish(Pass& pass, int status, platform::Cursor previousCursor) {
  platform::FreeMemory(pass.table.offsets);
  platform::FreeMemory(pass.entry);
  if (pass.archive != platform::kNoHandle) platform::CloseFile(pass.archive);
  platform::RestoreCursor(previousCursor);
  if (status != kLaunchOk) {
    platform::ShowMessageBox(LaunchStatusText(status), kCaption,
                             platform::kMbOk | platform::kMbIconStop);
  }
  StartEngine(pass.launchPath);
}

}  // namespace

const char* LaunchStatusText(int status) {
  return status >= 0 && status <= kFileAccessError ? kStatusTexts[status] : kStatusTexts[3];
}

SplashOrigin SplashPosition(platform::ScreenSize screen) {
  return SplashOrigin{(screen.width - kSplashWidth) / 2, (screen.height - kSplashHeight) / 2};
}

int RunLauncher() {
  // Under Wine, setting the cursor right after the copy is what gets the picture onto the
  // display before the process goes on; keep the two together.
  PaintSplash();
  platform::Cursor previousCursor = platform::ShowWaitCursor();
  Pass pass;
  int status = Extract(pass);
  Finish(pass, status, previousCursor);
  return status;
}

}  // namespace launcher
