#include "download/output_tree.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>

#include "download/download_job.h"
#include "temporary_directory.h"
#include "text/codepage.h"

namespace fs = std::filesystem;

namespace {

std::string read_file(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> names_in(const fs::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string repeat(const std::string& piece, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) result += piece;
  return result;
}

struct NameCase {
  std::string title;     // UTF-8, as the page gives it
  std::string expected;  // the one directory level it becomes
};

TEST(SafeName, EveryTitleBecomesExactlyOneLevel) {
  const NameCase cases[] = {
      {"第1话", "第1话"},
      {"..\\..\\x", ".._.._x"},
      {"a/b", "a_b"},
      {"/etc", "_etc"},
      {"..", "__"},
      {".", "_"},
      {"...", "..."},  // not a special name: stays
      {"..a", "..a"},
      {"", ""},
      {"乗り", "乗り"},  // 乗 ends in the byte 0x5C in code page 936: no separator
      {"x:*?<>|\"", "x:*?<>|\""},
      {repeat("漫", 300), repeat("漫", 85)},              // 255 bytes exactly
      {"x" + repeat("漫", 300), "x" + repeat("漫", 84)},  // 253: the next character does not fit
      {repeat("a", 255), repeat("a", 255)},
      {repeat("a", 256), repeat("a", 255)},
  };
  for (const NameCase& c : cases) {
    const fs::path name = safe_name(utf8_view_to_local(c.title));
    EXPECT_EQ(name.string(), c.expected) << c.title;
    EXPECT_LE(name.string().size(), kMaxNameBytes);
    EXPECT_FALSE(name.has_parent_path()) << c.title;
  }
}

TEST(NativePath, ConvertsBeforeTurningBackslashesIntoSlashes) {
  // 乗 is 0x81 0x5C: a byte-wise replacement would split it.
  EXPECT_EQ(native_path(utf8_view_to_local("34058\\乗\\1.jpg")), fs::path("34058/乗/1.jpg"));
  EXPECT_EQ(native_path(utf8_view_to_local("第1话\\点我快速查看.html")),
            fs::path("第1话/点我快速查看.html"));
  EXPECT_EQ(native_path(""), fs::path(""));
}

TEST(MakeDirectory, OneLevelAtATime) {
  TemporaryDirectory root;
  EXPECT_TRUE(make_directory(root.path() / "a"));
  EXPECT_TRUE(make_directory(root.path() / "a"));         // there already: fine
  EXPECT_FALSE(make_directory(root.path() / "b" / "c"));  // parent missing: one level only
  EXPECT_FALSE(fs::exists(root.path() / "b"));
  std::ofstream(root.path() / "file") << "x";
  EXPECT_FALSE(make_directory(root.path() / "file"));  // a file holds the name
}

TEST(WriteWholeFile, WritesReplacesAndLeavesNoTemporaryFile) {
  TemporaryDirectory root;
  const fs::path file = root.path() / "1.jpg";
  const std::string binary("\xFF\xD8\0\x01jpeg", 8);
  ASSERT_TRUE(write_whole_file(file, binary));
  EXPECT_EQ(read_file(file), binary);
  ASSERT_TRUE(write_whole_file(file, "short"));  // replaces, no tail of the longer content
  EXPECT_EQ(read_file(file), "short");
  ASSERT_TRUE(write_whole_file(file, ""));
  EXPECT_EQ(fs::file_size(file), 0u);
  EXPECT_EQ(names_in(root.path()), std::vector<std::string>{"1.jpg"});

  // The permissions of an ordinary new file, not those of a private temporary one.
  struct stat status {};
  ASSERT_EQ(::stat(file.c_str(), &status), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask);
}

TEST(WriteWholeFile, FailsCleanly) {
  TemporaryDirectory root;
  EXPECT_FALSE(write_whole_file(root.path() / "missing" / "1.jpg", "x"));
  fs::create_directory(root.path() / "taken");
  std::ofstream(root.path() / "taken" / "inside") << "keep";
  EXPECT_FALSE(write_whole_file(root.path() / "taken", "x"));  // a directory holds the name
  EXPECT_EQ(names_in(root.path()), std::vector<std::string>{"taken"});
  EXPECT_EQ(read_file(root.path() / "taken" / "inside"), "keep");
}

TEST(ExecutableDirectory, IsTheDirectoryOfThisProgram) {
  const fs::path directory = executable_directory();
  EXPECT_TRUE(fs::is_directory(directory));
  EXPECT_TRUE(fs::exists(directory / "download_test"));
}

}  // namespace

namespace {

TEST(DefaultJobSettings, ComeFromTheBuildAndTheExecutable) {
  const JobSettings settings = default_job_settings();
  EXPECT_EQ(settings.site_root, Text("http://" COMIC_SITE_HOST "/"));
  EXPECT_EQ(settings.default_image_base, Text("http://" IMAGE_SERVER_HOST "/dm0"));
  EXPECT_EQ(settings.run_directory, executable_directory());
}

}  // namespace
