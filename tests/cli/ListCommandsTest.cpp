// tunora-cli list-types and make-list with the list types shipped in data/.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/RunCli.h"

namespace tunora {
namespace {

const std::string kTunes = std::string(TUNORA_SOURCE_DIR) + "/tests/lists/data/";

class ListCli : public test::CliFixture {
 protected:
  ListCli() {
    namespace fs = std::filesystem;
    const fs::path data = fs::path(TUNORA_SOURCE_DIR) / "data";
    fs::copy_file(data / "lists.cfg", fs::path(home) / "lists.cfg");
    fs::copy(data / "listcfg", fs::path(home) / "listcfg");
  }
};

TEST_F(ListCli, ListTypesAndAShippedList) {
  test::CliResult r = test::RunCli({"list-types", "--home", home});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.out.starts_with("Tune index by title (text)\nTune index by title (HTML)\n"));
  const std::string out = scratch.File("keys.txt");
  r = test::RunCli({"make-list", "tune count per KEY (text)", "--files", kTunes + "*.abc",
                    "--subdir", "--out", out, "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Read(out),
            "Tunes per key\r\n\r\nA            1\r\nD            5\r\n"
            "Edor         1\r\n\r\n7 tunes in all\r\n");
  // A match and a prompt from the command line.
  r = test::RunCli({"make-list", "Tune index by title (text)", "--files", kTunes + "*.abc", "--out",
                    out, "--match", "T#[Word]", "--prompt", "lark", "--sort", "X", "--home", home});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(Read(out).find("3 entries"), std::string::npos);
}

TEST_F(ListCli, Failures) {
  EXPECT_EQ(test::RunCli({"make-list", "No such list", "--files", "*.abc", "--home", home}).status,
            1);
  EXPECT_EQ(
      test::RunCli({"make-list", "Tunes without chords (text)", "--files", "", "--home", home})
          .status,
      1);
  const std::string blocked = scratch.File("file");
  Write("file", "x");
  test::CliResult r =
      test::RunCli({"make-list", "Tunes without chords (text)", "--files", kTunes + "*.abc",
                    "--out", blocked + "/out.txt", "--home", home});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Cannot write file " + blocked + "/out.txt"), std::string::npos);
}

}  // namespace
}  // namespace tunora
