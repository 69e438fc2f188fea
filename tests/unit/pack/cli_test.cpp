// The tarnwick-pack binary as a user runs it: exit codes, messages, the files it writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "tools/pack/file_time.h"
#include "tools/pack/package_reader.h"

extern char** environ;

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

struct Result {
  int exitCode;
  std::string out;
  std::string err;
};

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

Bytes ReadBytes(const fs::path& path) {
  std::string text = ReadText(path);
  return Bytes(text.begin(), text.end());
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::vector<std::string> Plus(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

void SetTimes(const fs::path& path, int64_t access, int64_t write) {
  struct timespec times[2] = {{access, 0}, {write, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// A file's times as FILETIMEs, the birth time where the file system keeps one.
struct FileStamps {
  uint64_t access;
  uint64_t write;
  std::optional<uint64_t> birth;
};

FileStamps StampsOf(const fs::path& path) {
  struct statx info;
  EXPECT_EQ(statx(AT_FDCWD, path.c_str(), 0, STATX_ATIME | STATX_MTIME | STATX_BTIME, &info), 0);
  auto convert = [](const struct statx_timestamp& t) {
    return pack::FileTimeFromUnix(t.tv_sec, t.tv_nsec);
  };
  FileStamps stamps{convert(info.stx_atime), convert(info.stx_mtime), std::nullopt};
  if (info.stx_mask & STATX_BTIME) stamps.birth = convert(info.stx_btime);
  return stamps;
}

uint64_t FileTime(int64_t seconds) { return pack::FileTimeFromUnix(seconds, 0); }

Bytes FakeLauncher() {
  Bytes image(4000);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(0x80 + i % 61);
  image[0] = 'M';
  image[1] = 'Z';
  std::memcpy(&image[1000], "RUTANGISTANG", 12);
  return image;
}

const char kProject[] =
    "[Project]\r\nTitle=Sample\r\nLaunch=\"\",-1\r\n"
    "[Palm]\r\nFile1=\"data.pdb\",2\r\nFile2=\"empty.prc\",3\r\n";

class PackCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tarnwick-pack-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    WriteBytes(dir_ / "launcher.exe", FakeLauncher());
    Bytes engine = Text("MZ engine ");
    for (int i = 0; i < 3000; ++i) engine.push_back(static_cast<uint8_t>(i * i % 251));
    WriteBytes(dir_ / "engine.exe", engine);
    // The smallest project that names both data files: the build checks it first.
    WriteBytes(dir_ / "project.ini", Text(kProject));
    WriteBytes(dir_ / "data.pdb", Text(std::string(3000, 'd') + "end"));
    WriteBytes(dir_ / "empty.prc", {});
    // Distinct times per file, in the past, access later than write.
    int64_t t = 1500000000;
    for (const char* name : {"engine.exe", "project.ini", "data.pdb", "empty.prc"}) {
      SetTimes(dir_ / name, t + 500, t);
      t += 86400 * 3 + 7;
    }
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  fs::path Path(const std::string& name) const { return dir_ / name; }

  // Runs the tool with SOURCE_DATE_EPOCH removed from the environment, or set to epoch.
  Result Run(const std::vector<std::string>& args,
             std::optional<std::string> epoch = std::nullopt) const {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
      if (std::strncmp(*e, "SOURCE_DATE_EPOCH=", 18) != 0) env.push_back(*e);
    }
    if (epoch) env.push_back("SOURCE_DATE_EPOCH=" + *epoch);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStore = {TARNWICK_PACK_BINARY};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);

    const fs::path outPath = dir_ / ".stdout";
    const fs::path errPath = dir_ / ".stderr";
    pid_t child = fork();
    if (child == 0) {
      int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (out < 0 || err < 0 || chdir(dir_.c_str()) != 0) _exit(127);
      dup2(out, 1);
      dup2(err, 2);
      execve(argv[0], argv.data(), envp.data());
      _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    Result result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(outPath),
                  ReadText(errPath)};
    fs::remove(outPath);
    fs::remove(errPath);
    return result;
  }

  std::vector<std::string> BuildArgs(const std::string& launcher = "launcher.exe",
                                     const std::string& out = "setup.exe") const {
    return {"build",       "--launcher", launcher, "--engine", "engine.exe", "--project",
            "project.ini", "-o",         out,      "data.pdb", "empty.prc"};
  }

  // The files in the test directory, apart from the inputs SetUp made.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      std::string name = entry.path().filename();
      if (name != "launcher.exe" && name != "engine.exe" && name != "project.ini" &&
          name != "data.pdb" && name != "empty.prc") {
        names.push_back(name);
      }
    }
    return names;
  }

  fs::path dir_;
};

const char* const kInputs[] = {"engine.exe", "project.ini", "data.pdb", "empty.prc"};

TEST_F(PackCliTest, BuildThenListExtractAndVerify) {
  // Taken before the build: reading the inputs may move their access times.
  std::vector<FileStamps> before;
  for (const char* name : kInputs) before.push_back(StampsOf(Path(name)));
  Result built = Run(BuildArgs());
  ASSERT_EQ(built.exitCode, 0) << built.err;
  const Bytes installer = ReadBytes(Path("setup.exe"));
  pack::PackageView view = pack::ReadPackage(installer);
  ASSERT_TRUE(view.Readable());
  ASSERT_EQ(view.entries.size(), 4u);
  EXPECT_EQ(view.packageOffset, 4000u);
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(kInputs[i]);
    const FileStamps& stamps = before[i];
    const package::EntryHeader& header = view.entries[i].header;
    EXPECT_EQ(header.attributes, 0x20u);
    EXPECT_EQ(header.lastWriteTime, stamps.write);
    EXPECT_EQ(header.lastAccessTime, stamps.access);
    EXPECT_EQ(header.creationTime, stamps.birth.value_or(stamps.write));
  }

  Result listed = Run({"list", "setup.exe"});
  ASSERT_EQ(listed.exitCode, 0) << listed.err;
  for (const char* text : {"tarnwick.exe", "00000001", "00000002", "00000003", "0x00000020",
                           "2017-07-14 02:40:00",  // engine.exe's write time, 1500000000
                           "3003"}) {              // data.pdb's decoded size
    EXPECT_NE(listed.out.find(text), std::string::npos) << text << " in\n" << listed.out;
  }

  Result verified = Run({"verify", "setup.exe"});
  EXPECT_EQ(verified.exitCode, 0) << verified.err;
  EXPECT_NE(verified.out.find("OK, 4 entries"), std::string::npos) << verified.out;

  Result extracted = Run({"extract", "setup.exe", "out"});
  ASSERT_EQ(extracted.exitCode, 0) << extracted.err;
  const char* names[] = {"tarnwick.exe", "00000001", "00000002", "00000003"};
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(ReadBytes(Path("out") / names[i]), ReadBytes(Path(kInputs[i])));
    EXPECT_EQ(StampsOf(Path("out") / names[i]).write, before[i].write);
  }
  // A second extraction over the first replaces the members.
  EXPECT_EQ(Run({"extract", "setup.exe", "out"}).exitCode, 0);
}

TEST_F(PackCliTest, SourceDateEpochMakesTheSameBytesWhateverTheFileTimes) {
  ASSERT_EQ(Run(BuildArgs("launcher.exe", "first.exe"), "1234567890").exitCode, 0);
  for (const char* name : kInputs) SetTimes(Path(name), 1600000000, 1600000000);
  Result second = Run(BuildArgs("launcher.exe", "second.exe"), "1234567890");
  ASSERT_EQ(second.exitCode, 0) << second.err;
  const Bytes first = ReadBytes(Path("first.exe"));
  EXPECT_EQ(first, ReadBytes(Path("second.exe")));
  pack::PackageView view = pack::ReadPackage(first);
  ASSERT_EQ(view.entries.size(), 4u);
  for (const pack::PackageEntry& entry : view.entries) {
    EXPECT_EQ(entry.header.creationTime, FileTime(1234567890));
    EXPECT_EQ(entry.header.lastAccessTime, FileTime(1234567890));
    EXPECT_EQ(entry.header.lastWriteTime, FileTime(1234567890));
  }

  Result bad = Run(BuildArgs(), "yesterday");
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.err.find("SOURCE_DATE_EPOCH"), std::string::npos) << bad.err;
  EXPECT_FALSE(fs::exists(Path("setup.exe")));
}

TEST_F(PackCliTest, AttributesGoOnEveryEntryAndReadOnlyIsKeptOnExtraction) {
  std::vector<std::string> args = BuildArgs();
  args.insert(args.begin() + 1, {"--attributes", "0x21"});
  ASSERT_EQ(Run(args).exitCode, 0);
  pack::PackageView view = pack::ReadPackage(ReadBytes(Path("setup.exe")));
  ASSERT_EQ(view.entries.size(), 4u);
  for (const pack::PackageEntry& entry : view.entries) EXPECT_EQ(entry.header.attributes, 0x21u);
  ASSERT_EQ(Run({"extract", "setup.exe", "out"}).exitCode, 0);
  struct stat info;
  ASSERT_EQ(stat(Path("out/00000001").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0222, 0u);
  // Read-only members from before do not stop a new extraction.
  EXPECT_EQ(Run({"extract", "setup.exe", "out"}).exitCode, 0);
}

TEST_F(PackCliTest, RefusesALauncherWhoseLocatorCannotBeFilled) {
  Bytes none = FakeLauncher();
  none[1000] = 'r';
  WriteBytes(Path("none.exe"), none);
  Bytes two = FakeLauncher();
  std::memcpy(&two[3000], "RUTANGISTANG", 12);
  WriteBytes(Path("two.exe"), two);
  Bytes filled = FakeLauncher();
  filled[1002] = 0;
  WriteBytes(Path("filled.exe"), filled);
  struct Case {
    const char* launcher;
    const char* message;
  };
  const Case cases[] = {{"none.exe", "no package locator"},
                        {"two.exe", "2 package locators"},
                        {"filled.exe", "filled already"}};
  // An earlier installer of the same name is left as it was.
  WriteBytes(Path("setup.exe"), Text("old installer"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.launcher);
    Result result = Run(BuildArgs(c.launcher));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(c.launcher), std::string::npos) << result.err;
    EXPECT_EQ(ReadText(Path("setup.exe")), "old installer");
  }
  // Nothing else was left behind (no half-written temporary file).
  std::vector<std::string> left = Leftovers();
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"filled.exe", "none.exe", "setup.exe", "two.exe"}));
}

TEST_F(PackCliTest, UnreadableInputsAndWrongCommandLinesFail) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    const char* message;
  };
  std::vector<std::string> missingData = BuildArgs();
  missingData.push_back("nowhere.pdb");
  std::vector<std::string> directoryEngine = BuildArgs();
  directoryEngine[4] = ".";
  const Case cases[] = {
      {missingData, 1, "nowhere.pdb"},
      {directoryEngine, 1, "not a regular file"},
      {BuildArgs("no-launcher.exe"), 1, "no-launcher.exe"},
      {BuildArgs("launcher.exe", "no-such-dir/setup.exe"), 1, "setup.exe"},
      {{"list", "nowhere.exe"}, 1, "nowhere.exe"},
      {{}, 2, "no command"},
      {{"pack"}, 2, "unknown command"},
      {{"list"}, 2, "list INSTALLER"},
      {{"extract", "setup.exe"}, 2, "extract INSTALLER DIR"},
      {{"build", "--launcher", "launcher.exe", "--engine", "engine.exe", "-o", "x.exe"},
       2,
       "--project"},
      {{"build", "--launcher", "a", "--launcher", "b"}, 2, "twice"},
      {{"build", "--lancher", "launcher.exe"}, 2, "unknown option"},
      {Plus(BuildArgs(), {"2=data.pdb"}), 2, "entry 2 is given twice"},
      {Plus(BuildArgs(), {"1=data.pdb"}), 2, "project file"},
      {Plus(BuildArgs(), {"--force=yes"}), 2, "takes no value"},
      {Plus(BuildArgs(), {"--entries", "nowhere.entries"}), 1, "nowhere.entries"},
      {{"build", "--attributes=zz", "--launcher=launcher.exe", "--engine=engine.exe",
        "--project=project.ini", "-o", "x.exe"},
       2,
       "hexadecimal"},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const std::string& a : c.args) joined += a + " ";
    SCOPED_TRACE(joined);
    Result result = Run(c.args);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  }
  EXPECT_TRUE(Leftovers().empty()) << Leftovers().front();
}

TEST_F(PackCliTest, VerifyAndExtractReportABrokenInstaller) {
  ASSERT_EQ(Run(BuildArgs()).exitCode, 0);
  const Bytes good = ReadBytes(Path("setup.exe"));
  auto setTable = [](Bytes& b, uint32_t i, uint32_t value) {
    package::WriteLe32(value, &b[4000 + 4 * i]);
  };
  auto table = [&good](uint32_t i) { return package::ReadLe32(&good[4000 + 4 * i]); };
  struct Case {
    const char* name;
    Bytes bytes;
    const char* message;
    const char* launcherSays;
  };
  Bytes notIncreasing = good;
  setTable(notIncreasing, 2, table(1));
  Bytes noEntries = good;
  setTable(noEntries, 0, 4002);
  Bytes pastEnd = good;
  setTable(pastEnd, 3, static_cast<uint32_t>(good.size() + 5));
  Bytes tooShort = good;
  tooShort.resize(table(3) + 27);
  const Case cases[] = {
      {"bare launcher", FakeLauncher(), "no package is attached",
       "This installation is corrupted."},
      {"offsets not increasing", notIncreasing, "do not increase", "File access error"},
      {"no entries", noEntries, "no entries", "File access error"},
      {"entry past the end", pastEnd, "past the end of the file", "File access error"},
      {"entry shorter than its header", tooShort, "shorter than its 28-byte header",
       "File access error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(Path("broken.exe"), c.bytes);
    Result verified = Run({"verify", "broken.exe"});
    EXPECT_EQ(verified.exitCode, 1);
    EXPECT_NE(verified.err.find(c.message), std::string::npos) << verified.err;
    EXPECT_NE(verified.err.find(c.launcherSays), std::string::npos) << verified.err;
    Result extracted = Run({"extract", "broken.exe", "out"});
    EXPECT_EQ(extracted.exitCode, 1);
    EXPECT_NE(extracted.err.find("nothing extracted"), std::string::npos) << extracted.err;
    EXPECT_FALSE(fs::exists(Path("out")));
  }
}

// The example's fault: a stray character where the copy mode should be.
const char kBrokenProject[] =
    "[Project]\r\nTitle=Broken\r\n[Application]\r\nFolder0=\"\",\r\n"
    "File0=\"license.txt\",1,5,0,X,\r\n";

TEST_F(PackCliTest, CheckSaysWhetherTheEngineWouldLoadTheProject) {
  WriteBytes(Path("broken.ini"), Text(kBrokenProject));
  fs::create_directory(Path("sub"));
  WriteBytes(Path("sub/entries"), Text("# both data files\n2=../data.pdb\n\n3=../empty.prc\n"));
  WriteBytes(Path("sub/wrong"), Text("2=../data.pdb\n3 ../empty.prc\n"));
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::vector<std::string> err;  // each in the error output
    const char* out;               // in the standard output
  };
  const Case cases[] = {
      {{"check", "project.ini", "data.pdb", "empty.prc"}, 0, {}, "the engine loads it"},
      {{"check", "project.ini", "--entries", "sub/entries"}, 0, {}, "2 data entries, 0 warnings"},
      {{"check", "project.ini", "data.pdb"},
       0,
       {"warning: project.ini: [Palm] File2 \"empty.prc\": entry 3 is not in the package"},
       "1 reference points at nothing: build refuses it without --force"},
      {{"check", "project.ini", "data.pdb", "empty.prc", "4=launcher.exe"},
       0,
       {"warning: launcher.exe: entry 4 is named by no project file"},
       "1 warning"},
      {{"check", "broken.ini"},
       1,
       {"error: broken.ini: [Application] File0: \"license.txt\",1,5,0,X,: expected a number",
        "at character 21", "the engine would refuse this project"},
       ""},
      {{"check", "nowhere.ini"}, 1, {"nowhere.ini"}, ""},
      {{"check", "project.ini", "data.pdb", "nowhere.prc"}, 1, {"nowhere.prc"}, ""},
      {{"check", "project.ini", "--entries", "sub/wrong"}, 1, {"sub/wrong:2: expected N=PATH"}, ""},
      {{"check"}, 2, {"PROJECT is missing"}, ""},
      {{"check", "project.ini", "0=engine.exe"}, 2, {"engine"}, ""},
      {{"check", "project.ini", "3=empty.prc"}, 2, {"missing: 2"}, ""},
      {{"check", "project.ini", "--entries"}, 2, {"--entries needs a value"}, ""},
      {{"check", "--quick", "project.ini"}, 2, {"unknown option"}, ""},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const std::string& a : c.args) joined += a + " ";
    SCOPED_TRACE(joined);
    Result result = Run(c.args);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    for (const std::string& text : c.err) {
      EXPECT_NE(result.err.find(text), std::string::npos) << text << " in\n" << result.err;
    }
    EXPECT_NE(result.out.find(c.out), std::string::npos) << c.out << " in\n" << result.out;
    if (c.exitCode == 0 && c.err.empty()) {
      EXPECT_EQ(result.err, "");
    }
  }
}

TEST_F(PackCliTest, BuildRefusesWhatTheEngineWouldRefuseOrWhatPointsAtNothing) {
  WriteBytes(Path("broken.ini"), Text(kBrokenProject));
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* why;
  };
  std::vector<std::string> dangling = BuildArgs();
  dangling.pop_back();  // empty.prc: the project's entry 3 is not there
  std::vector<std::string> broken = BuildArgs();
  broken[6] = "broken.ini";
  const Case cases[] = {
      {"a reference that points at nothing", dangling, "1 reference points at nothing"},
      {"a project the engine refuses", broken, "the engine would refuse this project"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Result refused = Run(c.args);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find(std::string("nothing built: ") + c.why), std::string::npos)
        << refused.err;
    EXPECT_FALSE(fs::exists(Path("setup.exe")));

    Result forced = Run(Plus(c.args, {"--force"}));
    ASSERT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_NE(forced.err.find(std::string("building anyway (--force): ") + c.why),
              std::string::npos)
        << forced.err;
    EXPECT_EQ(Run({"verify", "setup.exe"}).exitCode, 0);
    fs::remove(Path("setup.exe"));
  }

  // Warnings of other kinds are printed and the installer is built.
  Result warned = Run(Plus(BuildArgs(), {"launcher.exe"}));
  EXPECT_EQ(warned.exitCode, 0) << warned.err;
  EXPECT_NE(warned.err.find("warning: launcher.exe: entry 4 is named by no project file"),
            std::string::npos)
      << warned.err;
  EXPECT_TRUE(fs::exists(Path("setup.exe")));
}

TEST_F(PackCliTest, BuildTakesEntriesFromTheManifestAndFromNumberedArguments) {
  // Entry 3 from a manifest in another directory, entry 2 numbered on the command line, and
  // a bare path after them (entry 4), which the project names as its launch file.
  fs::create_directory(Path("sub"));
  WriteBytes(Path("sub/project.ini"),
             Text("[Project]\r\nTitle=Sample\r\nLaunch=\"notes.txt\",4\r\n"
                  "[Palm]\r\nFile1=\"data.pdb\",2\r\nFile2=\"empty.prc\",3\r\n"));
  WriteBytes(Path("sub/entries"), Text("# the empty one\r\n3=../empty.prc\r\n"));
  WriteBytes(Path("notes.txt"), Text("notes"));
  Result built = Run({"build", "--launcher", "launcher.exe", "--engine", "engine.exe", "--project",
                      "sub/project.ini", "--entries", "sub/entries", "-o", "setup.exe",
                      "2=data.pdb", "notes.txt"});
  ASSERT_EQ(built.exitCode, 0) << built.err;
  EXPECT_EQ(built.err, "");
  ASSERT_EQ(Run({"extract", "setup.exe", "out"}).exitCode, 0);
  const std::pair<const char*, const char*> members[] = {{"tarnwick.exe", "engine.exe"},
                                                         {"00000001", "sub/project.ini"},
                                                         {"00000002", "data.pdb"},
                                                         {"00000003", "empty.prc"},
                                                         {"00000004", "notes.txt"}};
  for (const auto& [member, input] : members) {
    SCOPED_TRACE(member);
    EXPECT_EQ(ReadBytes(Path("out") / member), ReadBytes(Path(input)));
  }
  EXPECT_FALSE(fs::exists(Path("out/00000005")));
}

}  // namespace
