#include "protocol/history.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "fake_world.h"
#include "text/cp1251.h"

namespace ozl::protocol {
namespace {

const std::string kHeader =
    "<HTML><HEAD><META content=\"text/html; charset=windows-1251\" http-equiv=Content-Type></HEAD><BODY>";

std::string ExpectedRow(const std::string& colour, const std::string& nick, const std::string& when,
                        const std::string& text) {
  return "<table border=0 width=100%><tr><td bgcolor=" + colour + " align=center><b>" + nick +
         "</b><td bgcolor=" + colour + " align=center>" + when + "</td></tr><tr><td bgcolor=" + colour +
         " colspan=2><div align=justify>" + text + "</div></td></tr></table>";
}

TEST(History, TheFirstMessageCreatesHeaderAndADarkRowAndLaterOnesAppendLightRows) {
  fakes::MemoryFileSystem files;
  fakes::FixedClock clock;
  HistoryWriter writer(files, clock);
  const std::string text(std::string("Привет!"_cp1251));

  writer.Append("12345", "Kot", text, RowColour::kWindowOpened);
  EXPECT_TRUE(files.folders.contains("HISTORY"));
  ASSERT_TRUE(files.files.contains("HISTORY\\12345.htm"));
  const std::string first = kHeader + ExpectedRow("#EDEAE1", "Kot", clock.now, "\xCF\xF0\xE8\xE2\xE5\xF2!");
  EXPECT_EQ(files.files["HISTORY\\12345.htm"], first);

  clock.now = "08.12.2026 4:52:00";
  writer.Append("12345", "Kot", "again", RowColour::kWindowAlreadyOpen);
  writer.Append("12345", "Kot", "reopened", RowColour::kWindowOpened);
  EXPECT_EQ(files.files["HISTORY\\12345.htm"],
            first + ExpectedRow("#FDFAF1", "Kot", clock.now, "again") +
                ExpectedRow("#EDEAE1", "Kot", clock.now, "reopened"));
  EXPECT_EQ(files.files.size(), 1u);
}

TEST(History, NickAndTextCannotCarryMarkup) {
  EXPECT_EQ(EscapeHtml("<script>alert(\"x&y\")</script> \xFF"),
            "&lt;script&gt;alert(&quot;x&amp;y&quot;)&lt;/script&gt; \xFF");
  const std::string row = HistoryRow(RowColour::kWindowOpened, "<b>", "now", "<img src=x onerror=\"y\">");
  EXPECT_EQ(row, ExpectedRow("#EDEAE1", "&lt;b&gt;", "now", "&lt;img src=x onerror=&quot;y&quot;&gt;"));
}

TEST(History, AtExactlyMidnightOnlyTheDateIsWritten) {
  EXPECT_EQ(DateAndTime("08.12.2026", "0:00:00", {0, 0, 0, 0}), "08.12.2026");
  EXPECT_EQ(DateAndTime("08.12.2026", "0:00:00", {0, 0, 0, 1}), "08.12.2026 0:00:00");
  EXPECT_EQ(DateAndTime("08.12.2026", "13:05:09", {13, 5, 9, 0}), "08.12.2026 13:05:09");
}

class StdFileSystemTest : public testing::Test {
 protected:
  void SetUp() override {
    root = std::filesystem::temp_directory_path() /
           ("ozl-history-" + std::to_string(testing::UnitTest::GetInstance()->random_seed()) + "-" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
  }
  void TearDown() override { std::filesystem::remove_all(root); }

  std::string Read(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
  }

  std::filesystem::path root;
};

TEST_F(StdFileSystemTest, WritesTheHistoryFolderAndFileBelowItsRoot) {
  StdFileSystem files(root);
  fakes::FixedClock clock;
  HistoryWriter writer(files, clock);
  writer.Append("7", "Kot", "one", RowColour::kWindowOpened);
  writer.Append("7", "Kot", "two", RowColour::kWindowAlreadyOpen);
  EXPECT_EQ(Read(root / "HISTORY" / "7.htm"), kHeader + ExpectedRow("#EDEAE1", "Kot", clock.now, "one") +
                                                  ExpectedRow("#FDFAF1", "Kot", clock.now, "two"));
}

TEST_F(StdFileSystemTest, AFileThatCannotBeWrittenIsReportedNotIgnored) {
  StdFileSystem files(root);
  std::ofstream(root / "HISTORY") << "a file where the folder should be";
  fakes::FixedClock clock;
  HistoryWriter writer(files, clock);
  EXPECT_THROW(writer.Append("7", "Kot", "one", RowColour::kWindowOpened), FileError);
  EXPECT_THROW(files.CreateFolder("HISTORY\\sub"), FileError);
}

}  // namespace
}  // namespace ozl::protocol
