// A download killed at random moments: afterwards every file under its final name is
// complete (byte-equal to what the site served) or absent, and temporary files are
// the only other leftovers. The job runs in a child process (this program started
// with --job), which the test kills with SIGKILL.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>

#include "comic_site.h"
#include "download/download_job.h"
#include "tests/download/plain_job_window.h"
#include "text/codepage.h"
#include "text/primitives.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

std::string read_file(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), {});
}

std::string viewer_page(int images) {
  std::string page = "<html><div align=\"center\">";
  for (int k = 1; k <= images; ++k) page += "<img src=\"" + std::to_string(k) + ".jpg\"><br/>";
  return page + "</div></html>";
}

pid_t start_job(const ComicSite& site, const fs::path& run_directory) {
  const std::string self = fs::read_symlink("/proc/self/exe");
  const std::string address = site.catalog_address("34058");
  const std::string image_base = site.default_image_base();
  const std::string site_root = site.site_root();
  const std::string directory = run_directory.string();
  const char* argv[] = {self.c_str(),       "--job",           address.c_str(), site_root.c_str(),
                        image_base.c_str(), directory.c_str(), nullptr};
  pid_t child = 0;
  if (::posix_spawn(&child, self.c_str(), nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
    return -1;
  return child;
}

TEST(CrashConsistency, KilledDownloadsLeaveOnlyWholeFilesUnderFinalNames) {
  ComicSite site;
  ASSERT_TRUE(site.start());
  const SampleComic& comic = site.comic("34058");

  // What every final name must hold, by its path below the comic directory.
  std::map<fs::path, std::string> expected;
  for (const SampleChapter& chapter : comic.chapters) {
    // The job's page cleaning removes blanks; the sample titles hold no separators.
    std::string title = chapter.title;
    std::erase(title, ' ');
    const fs::path chapter_dir = title;
    for (int page = 1; page <= chapter.pages; ++page) {
      expected[chapter_dir / (std::to_string(page) + ".jpg")] =
          site.image_bytes(site.decoded_path(chapter.id, page));
    }
    expected[chapter_dir / "点我快速查看.html"] = viewer_page(chapter.pages);
  }

  std::mt19937 random(20181106);
  std::uniform_int_distribution<int> moment_us(0, 400000);
  const fs::path base = fs::path(::testing::TempDir()) / ("crash-" + std::to_string(::getpid()));
  constexpr int kRuns = 200;
  int complete_files = 0, temporaries = 0;
  for (int run = 0; run < kRuns; ++run) {
    const fs::path run_directory = base / std::to_string(run);
    fs::create_directories(run_directory);
    const pid_t child = start_job(site, run_directory);
    ASSERT_GT(child, 0);
    ::usleep(static_cast<useconds_t>(moment_us(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);

    const fs::path comic_directory = run_directory / "34058";
    if (!fs::exists(comic_directory)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(comic_directory)) {
      if (!entry.is_regular_file()) continue;
      const std::string name = entry.path().filename().string();
      if (name.starts_with(".part-")) {
        ++temporaries;
        continue;
      }
      const fs::path relative = fs::relative(entry.path(), comic_directory);
      const auto want = expected.find(relative);
      ASSERT_NE(want, expected.end()) << "unexpected file " << relative << " in run " << run;
      ASSERT_EQ(read_file(entry.path()), want->second)
          << "truncated or wrong " << relative << " in run " << run;
      ++complete_files;
    }
    fs::remove_all(run_directory);
  }
  std::printf("%d runs: %d whole files checked, %d temporary files left by kills\n", kRuns,
              complete_files, temporaries);
  EXPECT_GT(complete_files, 0);  // the kills did not all land before the first write
  fs::remove_all(base);
}

}  // namespace

// `--job <catalog address> <site root> <default image base> <run directory>`: one
// whole download, then exit. Anything else runs the tests.
int main(int argc, char** argv) {
  if (argc == 6 && std::string(argv[1]) == "--job") {
    // The job's waits are short sleeps, so that a kill can land anywhere in a whole
    // download.
    PlainJobWindow window{Text(argv[2])};
    window.on_wait = [](int) { ::usleep(2000); };
    ScriptEngine engine;
    const JobSettings settings{Text(argv[3]), Text(argv[4]), fs::path(argv[5])};
    run_download_job(window, engine, settings);
    return 0;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
