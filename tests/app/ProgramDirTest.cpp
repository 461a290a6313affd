#include "app/ProgramDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/Scratch.h"

namespace tunora {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) { return test::ReadFile(path.string()); }
void WriteFile(const fs::path& path, const std::string& text) {
  test::WriteFile(path.string(), text);
}

// A scratch tree with an executable's folder, a defaults folder and a home.
class ProgramDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(Path("bin"));
    fs::create_directories(Path("defaults/listcfg"));
    fs::create_directories(Path("home"));
    WriteFile(Path("defaults/template.abc"), "%default template\n");
    WriteFile(Path("defaults/tips.txt"), "TIP #1:\r\nhello\r\n");
    WriteFile(Path("defaults/listcfg/index.cfg"), "list\n");
    WriteFile(Path("defaults/tunora-cli"), "binary");
    fs::permissions(Path("defaults/tunora-cli"), fs::perms::owner_exec, fs::perm_options::add);
    env_.home = Path("home").string();
  }
  fs::path Path(const std::string& rel) const { return root_ / rel; }
  std::string Dir(const std::string& rel) const { return Path(rel).string() + "/"; }

  std::string Resolve(const std::string& option = "") {
    return ResolveProgramDir(option, Dir("bin"), Dir("defaults"), env_, error_);
  }

  test::ScratchDir scratch_{"tunora-progdir-"};
  fs::path root_ = scratch_.Path();
  ProgramDirEnv env_;
  std::string error_;
};

TEST_F(ProgramDirTest, HomeOptionThenEnvironmentThenExecutableFolder) {
  WriteFile(Path("bin/tunora.ini"), "");
  fs::create_directories(Path("opt"));
  fs::create_directories(Path("env"));
  env_.tunoraHome = Path("env").string();
  EXPECT_EQ(Resolve(Path("opt").string()), Dir("opt"));
  EXPECT_EQ(Resolve(), Dir("env"));
  env_.tunoraHome.clear();
  EXPECT_EQ(Resolve(), Dir("bin"));
  EXPECT_TRUE(error_.empty()) << error_;
  // An existing named folder is used as it is: nothing is copied into it.
  EXPECT_FALSE(fs::exists(Path("opt/template.abc")));
  EXPECT_FALSE(fs::exists(Path("bin/template.abc")));
}

TEST_F(ProgramDirTest, ExecutableFolderNeedsDataFiles) {
  WriteFile(Path("bin/readme.txt"), "");
  EXPECT_EQ(Resolve(), Dir("home/.local/share/tunora"));
  WriteFile(Path("bin/tips.txt"), "");
  EXPECT_EQ(Resolve(), Dir("bin"));
  EXPECT_FALSE(fs::exists(Path("bin/.tunora-write-probe")));
}

TEST_F(ProgramDirTest, DataFolderIsCreatedAndCompletedWithoutOverwriting) {
  env_.xdgDataHome = Path("xdg").string();
  const std::string dir = Resolve();
  EXPECT_EQ(dir, Dir("xdg/tunora"));
  EXPECT_TRUE(error_.empty()) << error_;
  EXPECT_EQ(ReadFile(dir + "template.abc"), "%default template\n");
  EXPECT_EQ(ReadFile(dir + "listcfg/index.cfg"), "list\n");
  EXPECT_FALSE(fs::exists(dir + "tunora-cli"));  // programs are not data

  WriteFile(dir + "template.abc", "%my own\n");
  fs::remove(dir + "tips.txt");
  EXPECT_EQ(Resolve(), dir);
  EXPECT_EQ(ReadFile(dir + "template.abc"), "%my own\n");
  EXPECT_TRUE(fs::exists(dir + "tips.txt"));
}

TEST_F(ProgramDirTest, DataFolderFallsBackToHome) {
  env_.xdgDataHome = "relative/data";  // not absolute: ignored
  EXPECT_EQ(Resolve(), Dir("home/.local/share/tunora"));
  EXPECT_TRUE(fs::exists(Path("home/.local/share/tunora/tips.txt")));

  env_ = {};
  EXPECT_EQ(Resolve(), "");
  EXPECT_FALSE(error_.empty());
}

TEST_F(ProgramDirTest, NamedFolderIsCreatedWithDefaults) {
  EXPECT_EQ(Resolve(Path("new/home").string()), Dir("new/home"));
  EXPECT_TRUE(fs::exists(Path("new/home/template.abc")));

  WriteFile(Path("plainfile"), "");
  EXPECT_EQ(Resolve(Path("plainfile").string()), "");
  EXPECT_FALSE(error_.empty());
}

TEST_F(ProgramDirTest, MissingDefaultsStillGiveAFolder) {
  std::string error;
  const std::string dir = ResolveProgramDir("", "", Dir("no-defaults"), env_, error);
  EXPECT_EQ(dir, Dir("home/.local/share/tunora"));
  EXPECT_TRUE(fs::is_directory(dir));
  EXPECT_FALSE(error.empty());
}

// The executable's folder of an installed program holds other files: they are not
// copied into the data folder.
TEST_F(ProgramDirTest, FolderWithoutDataFilesIsNotCopied) {
  fs::create_directories(Path("usrbin/docs"));
  WriteFile(Path("usrbin/notes.txt"), "not ours");
  WriteFile(Path("usrbin/docs/readme"), "not ours");
  std::string error;
  const std::string dir = ResolveProgramDir("", Dir("usrbin"), Dir("usrbin"), env_, error);
  EXPECT_EQ(dir, Dir("home/.local/share/tunora"));
  EXPECT_FALSE(fs::exists(dir + "notes.txt"));
  EXPECT_FALSE(fs::exists(dir + "docs"));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace tunora
