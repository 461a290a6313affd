#include "app/Association.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/Scratch.h"

namespace tunora {
namespace {

using test::ReadFile;
namespace fs = std::filesystem;

void Write(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

class AssociationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dirs_.dataHome = scratch_.File("data");
    dirs_.configHome = scratch_.File("config");
    dirs_.dataDirs = {scratch_.File("system")};
    dirs_.configDirs = {scratch_.File("etc")};
    program_ = scratch_.File("opt/My Tunora/tunora");
    Write(program_, "");
  }
  std::string MimeApps() const { return ReadFile(dirs_.configHome + "/mimeapps.list"); }
  // Another editor, installed system-wide and made the default by the user.
  void OtherEditorOwnsAbc(const std::string& exec = "Exec=othered %f\n") {
    Write(scratch_.File("system/applications/othered.desktop"),
          "[Desktop Entry]\nName=Other Editor\n" + exec);
    Write(dirs_.configHome + "/mimeapps.list",
          "[Default Applications]\ntext/html=browser.desktop\ntext/vnd.abc=othered.desktop;\n");
  }

  test::ScratchDir scratch_;
  XdgDirs dirs_;
  std::string program_;
};

TEST_F(AssociationTest, UnclaimedAbcIsTakenAndThePathIsQuoted) {
  AssociationInfo before = CheckAssociation(dirs_, program_);
  EXPECT_FALSE(before.ok);
  EXPECT_EQ(before.otherProgram, "no program");
  std::string error;
  ASSERT_TRUE(WriteAssociation(dirs_, program_, "", false, false, error)) << error;
  EXPECT_TRUE(CheckAssociation(dirs_, program_).Ours());
  EXPECT_EQ(KeyFileValue(MimeApps(), "Default Applications", "text/vnd.abc"), "tunora.desktop;");
  std::string entry = ReadFile(dirs_.dataHome + "/applications/tunora.desktop");
  EXPECT_EQ(KeyFileValue(entry, "Desktop Entry", "Exec"), "\"" + program_ + "\" %f");
  EXPECT_EQ(KeyFileValue(entry, "Desktop Entry", "MimeType"), "text/vnd.abc;");
  EXPECT_NE(ReadFile(dirs_.dataHome + "/mime/packages/tunora.xml").find("*.abc"),
            std::string::npos);
  // Another copy of the program elsewhere does not count as this one.
  EXPECT_FALSE(CheckAssociation(dirs_, scratch_.File("other/tunora")).Ours());
}

TEST_F(AssociationTest, OpenWithKeepsTheOtherProgramAsDefault) {
  OtherEditorOwnsAbc();
  AssociationInfo info = CheckAssociation(dirs_, program_);
  EXPECT_TRUE(info.ok);
  EXPECT_EQ(info.otherProgram, "Other Editor");
  EXPECT_FALSE(info.openWithPresent);

  std::string error;
  ASSERT_TRUE(WriteAssociation(dirs_, program_, "", false, false, error));  // changes nothing
  EXPECT_EQ(KeyFileValue(MimeApps(), "Added Associations", "text/vnd.abc"), "");
  ASSERT_TRUE(WriteAssociation(dirs_, program_, "", false, true, error));
  info = CheckAssociation(dirs_, program_);
  EXPECT_EQ(info.otherProgram, "Other Editor");
  EXPECT_TRUE(info.openWithPresent);
  EXPECT_EQ(KeyFileValue(MimeApps(), "Default Applications", "text/vnd.abc"), "othered.desktop;");

  ASSERT_TRUE(WriteAssociation(dirs_, program_, "", true, false, error));
  EXPECT_TRUE(CheckAssociation(dirs_, program_).Ours());
  // The user's other choices stay.
  EXPECT_EQ(KeyFileValue(MimeApps(), "Default Applications", "text/html"), "browser.desktop");
}

TEST_F(AssociationTest, AProgramWithoutCommandKeepsAbc) {
  OtherEditorOwnsAbc("");
  EXPECT_FALSE(CheckAssociation(dirs_, program_).ok);
  std::string error;
  ASSERT_TRUE(WriteAssociation(dirs_, program_, "", false, false, error));
  EXPECT_EQ(KeyFileValue(MimeApps(), "Default Applications", "text/vnd.abc"), "othered.desktop;");
}

TEST_F(AssociationTest, KeyFilesAndExecWords) {
  std::string text = "# mine\n[A]\nx=1\n\n[B]\ny=2\n";
  text = SetKeyFileValue(text, "A", "z", "3");
  text = SetKeyFileValue(text, "B", "y", "4");
  text = SetKeyFileValue(text, "C", "w", "5");
  EXPECT_EQ(text, "# mine\n[A]\nx=1\nz=3\n\n[B]\ny=4\n\n[C]\nw=5\n");
  EXPECT_EQ(SetKeyFileValue("[A]\nx=1", "A", "z", "3"), "[A]\nx=1\nz=3\n");  // no last line end
  const std::string odd = "/opt/a \"b\" $c 100%/tunora";
  EXPECT_EQ(DesktopExecWords(DesktopExecWord(odd) + " %f"), (std::vector<std::string>{odd, "%f"}));
}

}  // namespace
}  // namespace tunora
