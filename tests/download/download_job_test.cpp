// The download job end to end: the sample comic site on loopback, the real script
// engine and decoder, real files in a temporary run directory, and a plain window.
#include "download/download_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "comic_site.h"
#include "image_path_encoder.h"
#include "plain_job_window.h"
#include "script/script_engine.h"
#include "temporary_directory.h"
#include "text/codepage.h"

namespace fs = std::filesystem;

namespace {

std::string read_file(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Every entry under `root`, relative, directories with a trailing "/", sorted.
std::vector<std::string> tree_of(const fs::path& root) {
  std::vector<std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string name = fs::relative(entry.path(), root).string();
    if (entry.is_directory()) name += "/";
    entries.push_back(name);
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

std::string viewer_page(int images) {
  std::string page = "<html><div align=\"center\">";
  for (int k = 1; k <= images; ++k) page += "<img src=\"" + std::to_string(k) + ".jpg\"><br/>";
  return page + "</div></html>";
}

std::string repeat(const std::string& piece, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) result += piece;
  return result;
}

// The lines the job logs for one chapter whose pages all arrive.
std::vector<std::string> chapter_log(const std::string& title, int pages) {
  std::vector<std::string> lines{"开始获取：" + title, "共" + std::to_string(pages) + "张图片"};
  for (int j = 1; j <= pages; ++j) {
    lines.push_back("正在下载" + title + "的第" + std::to_string(j) + "/" + std::to_string(pages) +
                    "张图片...");
  }
  return lines;
}

// What the job does to the buttons and message boxes, without the log.
std::vector<std::string> without_log(const std::vector<std::string>& events) {
  std::vector<std::string> rest;
  for (const std::string& event : events) {
    if (event.rfind("log ", 0) != 0) rest.push_back(event);
  }
  return rest;
}

const std::vector<std::string> kNormalRun = {
    "caption 下载中。。。", "stop enabled",  "start disabled",
    "caption 开始采集下载", "start enabled", "message 下载完毕，请去程序目录查看下载！"};

const std::string kFinished = "下载完毕，请去程序目录查看下载！";
const std::string kStopped = "成功停止下载！";

// A scrambled path of exactly `length` bytes that the decoder turns into *decoded.
std::string scrambled_of_length(std::size_t length, std::string* decoded) {
  for (int k = 1; k < 40; ++k) {
    const std::string path = "p/" + std::string(static_cast<std::size_t>(k), 'x') + ".jpg";
    for (char last : std::string("abcdefghijklmnopqrstuvwxyzZ")) {
      const std::string scrambled = scramble_image_path(path, "qwertyuiop", ',', last);
      if (scrambled.size() == length) {
        *decoded = path;
        return scrambled;
      }
    }
  }
  return {};
}

SampleChapter chapter(std::string id, std::string s, std::string title, int pages) {
  SampleChapter result;
  result.id = std::move(id);
  result.s = std::move(s);
  result.title = std::move(title);
  result.pages = pages;
  return result;
}

class DownloadJob : public ::testing::Test {
 protected:
  void SetUp() override {
    run_directory = temporary.path() / "run";
    fs::create_directory(run_directory);
  }

  void start_site(std::vector<SampleComic> comics = sample_comics()) {
    site = std::make_unique<ComicSite>(std::move(comics));
    ASSERT_TRUE(site->start());
    settings.site_root = Text(site->site_root());
    settings.default_image_base = Text(site->default_image_base());
    settings.run_directory = run_directory;
  }

  PlainJobWindow window_on(const std::string& comic_id) {
    return PlainJobWindow(Text(site->catalog_address(comic_id)));
  }

  void run(PlainJobWindow& window) { run_download_job(window, engine, settings); }

  // The image file of a page holds exactly what the image server sent for it.
  void expect_image(const fs::path& file, const std::string& chapter_id, int page) {
    EXPECT_EQ(read_file(file), site->image_bytes(site->decoded_path(chapter_id, page)))
        << file << " is not the image of page " << page;
  }

  std::string page_address(const std::string& chapter_id, const std::string& s, int page) {
    return site->site_root() + "cool" + chapter_id + "/" + std::to_string(page) + ".html?s=" + s +
           "&d=0";
  }

  TemporaryDirectory temporary;
  fs::path run_directory;
  std::unique_ptr<ComicSite> site;
  JobSettings settings;
  ScriptEngine engine;
};

TEST_F(DownloadJob, DownloadsAWholeComic) {
  start_site();
  PlainJobWindow window = window_on("34058");
  run(window);

  // The tree, exactly.
  EXPECT_EQ(
      tree_of(run_directory),
      (std::vector<std::string>{
          "34058/", "34058/番外篇/", "34058/番外篇/1.jpg", "34058/番外篇/2.jpg",
          "34058/番外篇/点我快速查看.html", "34058/第1话/", "34058/第1话/1.jpg",
          "34058/第1话/2.jpg", "34058/第1话/3.jpg", "34058/第1话/4.jpg",
          "34058/第1话/点我快速查看.html", "34058/第2话风起/", "34058/第2话风起/1.jpg",
          "34058/第2话风起/2.jpg", "34058/第2话风起/3.jpg", "34058/第2话风起/点我快速查看.html"}));
  for (int j = 1; j <= 4; ++j)
    expect_image(run_directory / "34058/第1话" / (std::to_string(j) + ".jpg"), "40001", j);
  for (int j = 1; j <= 3; ++j)
    expect_image(run_directory / "34058/第2话风起" / (std::to_string(j) + ".jpg"), "40002", j);
  for (int j = 1; j <= 2; ++j)
    expect_image(run_directory / "34058/番外篇" / (std::to_string(j) + ".jpg"), "40003", j);
  EXPECT_EQ(read_file(run_directory / "34058/第1话/点我快速查看.html"),
            "<html><div align=\"center\"><img src=\"1.jpg\"><br/><img src=\"2.jpg\"><br/>"
            "<img src=\"3.jpg\"><br/><img src=\"4.jpg\"><br/></div></html>");
  EXPECT_EQ(read_file(run_directory / "34058/第2话风起/点我快速查看.html"), viewer_page(3));
  EXPECT_EQ(read_file(run_directory / "34058/番外篇/点我快速查看.html"), viewer_page(2));
  EXPECT_EQ(read_file(run_directory / "34058/第1话/1.jpg").substr(0, 2), "\xFF\xD8");  // a JPEG

  // The log, in order.
  std::vector<std::string> log{"漫画名：星海旅人", "集数：3", "漫画ID：34058"};
  for (const auto& lines :
       {chapter_log("第1话", 4), chapter_log("第2话风起", 3), chapter_log("番外篇", 2)}) {
    log.insert(log.end(), lines.begin(), lines.end());
  }
  EXPECT_EQ(window.log, log);
  EXPECT_EQ(without_log(window.events), kNormalRun);
  EXPECT_EQ(window.waits, 9);
  EXPECT_EQ(window.wait_lengths, std::vector<int>(9, 500));

  // Every request, in order: pages from the site, images from the page's first
  // image host, or from the default image server + s value when a page names none.
  std::vector<std::string> requests{site->catalog_address("34058")};
  struct Expected {
    std::string id, s;
    int pages;
  };
  for (const Expected& c :
       {Expected{"40001", "7", 4}, Expected{"40002", "3", 3}, Expected{"40003", "7", 2}}) {
    requests.push_back(site->site_root() + "cool" + c.id + "/1.html?s=" + c.s);
    for (int j = 1; j <= c.pages; ++j) {
      requests.push_back(page_address(c.id, c.s, j));
      requests.push_back(site->image_address(c.id, j));
    }
    requests.push_back(page_address(c.id, c.s, c.pages + 1));  // the short path
  }
  EXPECT_EQ(site->requests(), requests);
  EXPECT_EQ(site->image_address("40003", 1),
            site->default_image_base() + "7/" + site->decoded_path("40003", 1));

  const ProgramWideValues& values = program_wide_values();
  EXPECT_EQ(values.comic_id, Text("34058"));
  EXPECT_EQ(values.comic_name, utf8_view_to_local("星海旅人"));
  EXPECT_EQ(values.chapter_address, Text(site->site_root() + "cool40003/1.html?s=7"));
}

TEST_F(DownloadJob, AddressErrorsShowTheirMessageAndNothingElse) {
  start_site();
  const struct {
    std::string address;
    std::string message;
  } cases[] = {
      {"", "地址为空！"},
      {site->site_root() + "comic/34058.html", "地址获取失败，请检查漫画地址是否正确！！"},
      {site->site_root() + "manhua/34058", "地址获取失败，请检查漫画地址是否正确！！"},
      {site->site_root() + "manhua/.html", "地址获取失败，请检查漫画地址是否正确！！"},
  };
  for (const auto& c : cases) {
    PlainJobWindow window{Text(c.address)};
    run(window);
    EXPECT_EQ(window.events, std::vector<std::string>{"message " + c.message}) << c.address;
    EXPECT_EQ(window.waits, 0);
  }
  EXPECT_TRUE(site->requests().empty());
  EXPECT_TRUE(tree_of(run_directory).empty());
}

TEST_F(DownloadJob, ShortAndLongPathsAtTheEndOfChapterBoundary) {
  std::string decoded_61, decoded_60, decoded_61b;
  const std::string path_61 = scrambled_of_length(61, &decoded_61);
  const std::string path_60 = scrambled_of_length(60, &decoded_60);
  ASSERT_EQ(path_61.size(), 61u);
  ASSERT_EQ(path_60.size(), 60u);
  SampleChapter both = chapter("71001", "4", "边界", 5);
  both.scrambled_paths = {{1, path_61}, {2, path_60}};  // page 3 onwards is never reached
  SampleChapter only_short = chapter("71002", "4", "短路径", 5);
  only_short.scrambled_paths = {{1, path_60}};
  start_site({{"71000", "边界漫画", {both, only_short}, false}});
  PlainJobWindow window = window_on("71000");
  run(window);

  EXPECT_EQ(tree_of(run_directory / "71000"),
            (std::vector<std::string>{"短路径/", "短路径/点我快速查看.html", "边界/", "边界/1.jpg",
                                      "边界/点我快速查看.html"}));
  EXPECT_EQ(read_file(run_directory / "71000/边界/1.jpg"), site->image_bytes(decoded_61));
  EXPECT_EQ(site->request_count(site->image_host() + "/" + decoded_61), 1);
  EXPECT_EQ(read_file(run_directory / "71000/边界/点我快速查看.html"), viewer_page(1));
  EXPECT_EQ(read_file(run_directory / "71000/短路径/点我快速查看.html"), viewer_page(0));
  EXPECT_EQ(site->request_count(page_address("71001", "4", 2)), 1);
  EXPECT_EQ(site->request_count(page_address("71001", "4", 3)), 0);
  EXPECT_EQ(site->request_count(page_address("71002", "4", 2)), 0);
  EXPECT_EQ(window.waits, 1);
  EXPECT_EQ(window.messages, std::vector<std::string>{kFinished});
}

TEST_F(DownloadJob, StopsAfterFiveHundredPages) {
  start_site({{"72000", "长篇", {chapter("72001", "1", "长章", 600)}, false}});
  PlainJobWindow window = window_on("72000");
  run(window);

  EXPECT_EQ(window.waits, 500);
  EXPECT_EQ(site->request_count(page_address("72001", "1", 500)), 1);
  EXPECT_EQ(site->request_count(page_address("72001", "1", 501)), 0);
  EXPECT_TRUE(fs::exists(run_directory / "72000/长章/500.jpg"));
  EXPECT_FALSE(fs::exists(run_directory / "72000/长章/501.jpg"));
  expect_image(run_directory / "72000/长章/500.jpg", "72001", 500);
  EXPECT_EQ(read_file(run_directory / "72000/长章/点我快速查看.html"), viewer_page(500));
  EXPECT_EQ(window.messages, std::vector<std::string>{kFinished});
}

TEST_F(DownloadJob, StopDuringTheWaitAfterAnImage) {
  start_site();
  PlainJobWindow window = window_on("34058");
  window.on_wait = [&](int wait) {
    if (wait == 2) window.stop = false;  // 按钮2 disables itself when clicked
  };
  run(window);

  // Page 3 is requested and cut, then the stop is seen before its image.
  EXPECT_EQ(site->request_count(page_address("40001", "7", 3)), 1);
  EXPECT_EQ(site->request_count(site->image_address("40001", 3)), 0);
  EXPECT_EQ(site->requests().back(), page_address("40001", "7", 3));
  EXPECT_EQ(tree_of(run_directory),
            (std::vector<std::string>{"34058/", "34058/第1话/", "34058/第1话/1.jpg",
                                      "34058/第1话/2.jpg"}));
  EXPECT_EQ(
      without_log(window.events),
      (std::vector<std::string>{"caption 下载中。。。", "stop enabled", "start disabled",
                                "caption 开始采集下载", "start enabled", "message " + kStopped}));
  EXPECT_EQ(window.caption, utf8_view_to_local("开始采集下载"));
  EXPECT_TRUE(window.start);
  EXPECT_FALSE(window.stop);
  EXPECT_EQ(window.log.back(), "正在下载第1话的第2/4张图片...");
}

// The stop test comes before the end-of-chapter test: a stop after a chapter's last
// image is seen at the page with the short path, so that chapter gets no viewer page.
TEST_F(DownloadJob, StopDuringTheWaitAfterAChaptersLastImage) {
  start_site();
  PlainJobWindow window = window_on("34058");
  window.on_wait = [&](int wait) {
    if (wait == 4) window.stop = false;
  };
  run(window);

  EXPECT_EQ(site->requests().back(), page_address("40001", "7", 5));
  EXPECT_FALSE(fs::exists(run_directory / "34058/第1话/点我快速查看.html"));
  EXPECT_TRUE(fs::exists(run_directory / "34058/第1话/4.jpg"));
  EXPECT_EQ(window.messages, std::vector<std::string>{kStopped});
}

TEST_F(DownloadJob, StopDuringTheWaitAfterPageFiveHundredOfTheLastChapterEndsNormally) {
  start_site({{"72000", "长篇", {chapter("72001", "1", "长章", 600)}, false}});
  PlainJobWindow window = window_on("72000");
  window.on_wait = [&](int wait) {
    if (wait == 500) window.stop = false;
  };
  run(window);

  EXPECT_EQ(site->request_count(page_address("72001", "1", 501)), 0);
  EXPECT_EQ(without_log(window.events), kNormalRun);  // 按钮2 stays disabled
  EXPECT_FALSE(window.stop);
  EXPECT_EQ(read_file(run_directory / "72000/长章/点我快速查看.html"), viewer_page(500));
}

TEST_F(DownloadJob, CheckBoxReadWhenEachChapterEnds) {
  start_site();
  PlainJobWindow window = window_on("34058");
  window.on_wait = [&](int wait) {
    if (wait == 1) window.ticked = false;  // during 第1话
    if (wait == 8) window.ticked = true;   // during 番外篇
  };
  run(window);

  EXPECT_FALSE(fs::exists(run_directory / "34058/第1话/点我快速查看.html"));
  EXPECT_FALSE(fs::exists(run_directory / "34058/第2话风起/点我快速查看.html"));
  EXPECT_EQ(read_file(run_directory / "34058/番外篇/点我快速查看.html"), viewer_page(2));
  EXPECT_TRUE(fs::exists(run_directory / "34058/第2话风起/3.jpg"));  // images all the same
  EXPECT_EQ(window.messages, std::vector<std::string>{kFinished});
}

TEST_F(DownloadJob, ChapterItemWithoutAddressUsesTheSiteRoot) {
  SampleChapter no_link = chapter("73001", "1", "无链接", 2);
  no_link.item = "<a title='无链接'>无链接</a>";
  start_site({{"73000", "无名", {no_link}, false}});
  PlainJobWindow window = window_on("73000");
  run(window);

  EXPECT_EQ(site->requests(),
            (std::vector<std::string>{site->catalog_address("73000"), site->site_root(),
                                      site->site_root() + "cool/1.html?s=&d=0"}));
  EXPECT_EQ(window.log, (std::vector<std::string>{"漫画名：无名", "集数：1", "漫画ID：73000",
                                                  "开始获取：", "共张图片"}));
  // The empty title leaves the chapter directory the comic directory itself.
  EXPECT_EQ(tree_of(run_directory),
            (std::vector<std::string>{"73000/", "73000/点我快速查看.html"}));
  EXPECT_EQ(read_file(run_directory / "73000/点我快速查看.html"), viewer_page(0));
  EXPECT_EQ(program_wide_values().chapter_address, Text(site->site_root()));
  EXPECT_EQ(without_log(window.events), kNormalRun);
}

TEST_F(DownloadJob, SecondRunOverwritesInPlace) {
  start_site();
  PlainJobWindow first = window_on("34058");
  run(first);
  const std::vector<std::string> tree = tree_of(run_directory);
  std::ofstream(run_directory / "34058/第1话/1.jpg", std::ios::binary)
      << "a much longer stale file";
  std::ofstream(run_directory / "34058/第2话风起/点我快速查看.html") << "stale";

  PlainJobWindow second = window_on("34058");
  run(second);
  EXPECT_EQ(tree_of(run_directory), tree);
  expect_image(run_directory / "34058/第1话/1.jpg", "40001", 1);
  EXPECT_EQ(read_file(run_directory / "34058/第2话风起/点我快速查看.html"), viewer_page(3));
  EXPECT_EQ(second.log, first.log);
  EXPECT_EQ(second.messages, std::vector<std::string>{kFinished});
}

TEST_F(DownloadJob, FailingCatalogGivesNoChaptersAndANormalEnd) {
  std::vector<SampleComic> comics = sample_comics();
  comics[0].catalog_fails = true;
  start_site(std::move(comics));
  PlainJobWindow window = window_on("34058");
  run(window);

  EXPECT_EQ(window.log, (std::vector<std::string>{"漫画名：", "集数：", "漫画ID：34058"}));
  EXPECT_EQ(without_log(window.events), kNormalRun);
  EXPECT_EQ(tree_of(run_directory), std::vector<std::string>{"34058/"});
  EXPECT_EQ(site->requests(), std::vector<std::string>{site->catalog_address("34058")});
}

// Titles come from remote pages and the comic id from the address: each becomes
// exactly one directory level inside its parent, whatever it holds.
TEST_F(DownloadJob, HostileNamesStayInsideTheirDirectory) {
  const std::string long_title = repeat("漫", 300);
  start_site({{"74000",
               "恶意",
               {chapter("74001", "1", "..\\..\\x", 1), chapter("74002", "1", "a/b", 1),
                chapter("74003", "1", "..", 1), chapter("74004", "1", ".", 1),
                chapter("74005", "1", long_title, 1)},
               false}});
  PlainJobWindow window = window_on("74000");
  run(window);

  const std::string cut = repeat("漫", 85);  // 255 bytes of UTF-8
  EXPECT_EQ(
      tree_of(run_directory),
      (std::vector<std::string>{"74000/", "74000/.._.._x/", "74000/.._.._x/1.jpg",
                                "74000/.._.._x/点我快速查看.html", "74000/_/", "74000/_/1.jpg",
                                "74000/_/点我快速查看.html", "74000/__/", "74000/__/1.jpg",
                                "74000/__/点我快速查看.html", "74000/a_b/", "74000/a_b/1.jpg",
                                "74000/a_b/点我快速查看.html", "74000/" + cut + "/",
                                "74000/" + cut + "/1.jpg", "74000/" + cut + "/点我快速查看.html"}));
  expect_image(run_directory / "74000/__/1.jpg", "74003", 1);
  // The log keeps the titles as extracted.
  EXPECT_NE(std::find(window.log.begin(), window.log.end(), "开始获取：..\\..\\x"),
            window.log.end());
  EXPECT_NE(std::find(window.log.begin(), window.log.end(), "开始获取：" + long_title),
            window.log.end());

  // A comic id of ".." (the address names "manhua/...html").
  PlainJobWindow dots{Text(site->site_root() + "manhua/...html")};
  run(dots);
  EXPECT_EQ(dots.log.back(), "漫画ID：..");
  EXPECT_TRUE(fs::is_directory(run_directory / "__"));
  std::vector<std::string> beside;
  for (const auto& entry : fs::directory_iterator(temporary.path())) {
    beside.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(beside, std::vector<std::string>{"run"});
}

TEST_F(DownloadJob, FailedImageIsLoggedAndTheJobGoesOn) {
  std::vector<SampleComic> comics = sample_comics();
  comics[0].chapters[0].failing_images = {2};
  start_site(std::move(comics));
  PlainJobWindow window = window_on("34058");
  run(window);

  const auto at = std::find(window.log.begin(), window.log.end(), "正在下载第1话的第2/4张图片...");
  ASSERT_NE(at, window.log.end());
  ASSERT_NE(at + 1, window.log.end());
  EXPECT_EQ(*(at + 1), "图片下载失败：" + site->image_address("40001", 2));
  EXPECT_EQ(*(at + 2), "正在下载第1话的第3/4张图片...");
  // As before the mend, an empty image file stands for it and the chapter goes on.
  EXPECT_EQ(fs::file_size(run_directory / "34058/第1话/2.jpg"), 0u);
  expect_image(run_directory / "34058/第1话/3.jpg", "40001", 3);
  EXPECT_EQ(read_file(run_directory / "34058/第1话/点我快速查看.html"), viewer_page(4));
  EXPECT_EQ(window.log.size(), 3u + 6 + 5 + 4 + 1);
  EXPECT_EQ(window.messages, std::vector<std::string>{kFinished});
}

TEST_F(DownloadJob, DirectoriesAndFilesThatCannotBeMadeAreLogged) {
  start_site();
  std::ofstream(run_directory / "20001") << "a file where the comic directory goes";
  PlainJobWindow window = window_on("20001");
  run(window);

  const std::string comic = (run_directory / "20001").string();
  EXPECT_EQ(window.log,
            (std::vector<std::string>{
                "创建目录失败：" + comic, "漫画名：远山", "集数：1", "漫画ID：20001",
                "开始获取：短篇", "共1张图片", "创建目录失败：" + comic + "/短篇",
                "正在下载短篇的第1/1张图片...", "写入文件失败：" + comic + "/短篇/1.jpg",
                "写入文件失败：" + comic + "/短篇/点我快速查看.html"}));
  EXPECT_EQ(without_log(window.events), kNormalRun);  // the messages stay as they are
  EXPECT_EQ(read_file(run_directory / "20001"), "a file where the comic directory goes");
}

TEST_F(DownloadJob, ClosingTheWindowEndsTheJobAtItsNextCheck) {
  start_site();
  PlainJobWindow window = window_on("34058");
  std::size_t requests_when_closed = 0;
  window.on_wait = [&](int wait) {
    if (wait == 2) {
      window.closed = true;
      requests_when_closed = site->requests().size();
    }
  };
  run(window);

  EXPECT_EQ(site->requests().size(), requests_when_closed);  // nothing more requested
  EXPECT_EQ(window.waits, 2);
  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(window.events.back(), "log 正在下载第1话的第2/4张图片...");
  EXPECT_EQ(tree_of(run_directory),
            (std::vector<std::string>{"34058/", "34058/第1话/", "34058/第1话/1.jpg",
                                      "34058/第1话/2.jpg"}));
}

}  // namespace
