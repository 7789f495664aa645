#include "download/download_job.h"

#include <filesystem>

#include "download/image_path_decoder.h"
#include "download/output_tree.h"
#include "download/page_text.h"
#include "text/extraction.h"
#include "text/literal.h"
#include "text/markers.h"
#include "text/primitives.h"
#include "web/web_request.h"

namespace fs = std::filesystem;

namespace {

ProgramWideValues program_wide;

constexpr int kMaxPages = 500;
constexpr int kWaitMilliseconds = 500;
// A scrambled path this long or shorter ends the chapter.
constexpr std::size_t kEndOfChapterLength = 60;

// How a chapter ends: on to the next one, or the whole job ends.
enum class ChapterEnd { kNext, kStopped, kClosed };

class Job {
 public:
  Job(JobWindow& window, ScriptEngine& engine, const JobSettings& settings)
      : window_(window), engine_(engine), settings_(settings) {}

  void run() {
    const Text catalog_address = window_.address_text();
    if (catalog_address.empty()) {
      window_.show_message("地址为空！"_gbk);
      return;
    }
    program_wide.comic_id = text_between(catalog_address, "manhua/", ".html");
    const Text& comic_id = program_wide.comic_id;
    if (comic_id.empty()) {
      window_.show_message("地址获取失败，请检查漫画地址是否正确！！"_gbk);
      return;
    }
    const Text catalog_page = fetch_page_text(catalog_address);
    install_decoder(engine_);
    program_wide.comic_name = text_between(catalog_page, "<title>", "</title>");
    const Text chapter_count = text_between(catalog_page, "<li><b>集数:</b>"_gbk, "</li>");
    comic_directory_ = settings_.run_directory / safe_name(comic_id);
    create_directory(comic_directory_);
    window_.append_log("漫画名："_gbk + program_wide.comic_name);
    window_.append_log("集数："_gbk + chapter_count);
    window_.append_log("漫画ID："_gbk + comic_id);
    const Text chapter_block = text_between(catalog_page, "cVolList", "hdComicID");
    TextList chapter_items;
    extract_all_between(chapter_block, "<li>", "</li>", chapter_items);

    window_.set_start_caption("下载中。。。"_gbk);
    window_.set_stop_enabled(true);
    window_.set_start_enabled(false);

    for (const Text& item : chapter_items) {
      switch (run_chapter(item)) {
        case ChapterEnd::kNext:
          break;
        case ChapterEnd::kStopped:
          window_.set_start_caption("开始采集下载"_gbk);
          window_.set_start_enabled(true);
          window_.show_message("成功停止下载！"_gbk);
          return;
        case ChapterEnd::kClosed:
          return;  // the window is going away: nothing more is requested or written
      }
    }

    window_.set_start_caption("开始采集下载"_gbk);
    window_.set_start_enabled(true);
    window_.show_message("下载完毕，请去程序目录查看下载！"_gbk);
  }

 private:
  ChapterEnd run_chapter(const Text& item) {
    program_wide.chapter_address = settings_.site_root + text_between(item, "href='", "'");
    const Text& chapter_address = program_wide.chapter_address;
    const Text chapter_page = fetch_page_text(chapter_address);
    const Text chapter_title = text_between(chapter_page, "<title>", "</title>");
    window_.append_log("开始获取："_gbk + chapter_title);
    const Text page_total = text_between(chapter_page, "第<b>1/"_gbk, "</b>");
    window_.append_log("共"_gbk + page_total + "张图片"_gbk);
    // An "&" appended, so that a value at the end of the address is found too.
    const Text s_value = text_between(chapter_address + "&", "?s=", "&");
    const Text chapter_id = text_between(chapter_address + "&", "cool", "/");
    const fs::path chapter_directory = comic_directory_ / safe_name(chapter_title);
    create_directory(chapter_directory);

    int image_count = kMaxPages;
    for (int j = 1; j <= kMaxPages; ++j) {
      const Text page_address = settings_.site_root + "cool" + chapter_id + "/" + format_int(j) +
                                ".html?s=" + s_value + "&d=0";
      const Text page = fetch_page_text(page_address);
      const Text scrambled_path = text_between(page, "\"name=\"", "\"");
      const Text image_host = text_between(page, "\"hdDomain\"value=\"", "|");
      if (window_.closing()) return ChapterEnd::kClosed;
      if (!window_.stop_enabled()) return ChapterEnd::kStopped;
      if (scrambled_path.size() <= kEndOfChapterLength) {
        image_count = j - 1;
        break;
      }
      const Text decoded_path = decode_image_path(engine_, scrambled_path);
      const Text image_address = image_host.empty()
                                     ? settings_.default_image_base + s_value + "/" + decoded_path
                                     : image_host + "/" + decoded_path;
      window_.append_log("正在下载"_gbk + chapter_title + "的第"_gbk + format_int(j) + "/" +
                         page_total + "张图片..."_gbk);
      const Bytes image = web_request(image_address);
      if (image.empty()) window_.append_log("图片下载失败："_gbk + image_address);
      write_file(chapter_directory / (std::to_string(j) + ".jpg"), image.view());
      window_.wait(kWaitMilliseconds);
      if (window_.closing()) return ChapterEnd::kClosed;
    }

    if (window_.viewer_pages_ticked()) {
      write_file(chapter_directory / "点我快速查看.html", viewer_page(image_count).view());
    }
    return ChapterEnd::kNext;
  }

  static Text viewer_page(int image_count) {
    Text page = "<html><div align=\"center\">";
    for (int k = 1; k <= image_count; ++k) page += "<img src=\"" + format_int(k) + ".jpg\"><br/>";
    return page + "</div></html>";
  }

  void create_directory(const fs::path& directory) {
    if (!make_directory(directory)) window_.append_log("创建目录失败："_gbk + path_text(directory));
  }

  void write_file(const fs::path& file, std::string_view bytes) {
    if (!write_whole_file(file, bytes)) window_.append_log("写入文件失败："_gbk + path_text(file));
  }

  JobWindow& window_;
  ScriptEngine& engine_;
  const JobSettings& settings_;
  fs::path comic_directory_;
};

}  // namespace

const ProgramWideValues& program_wide_values() { return program_wide; }

JobSettings default_job_settings() {
  return JobSettings{
      .site_root = Text("http://" COMIC_SITE_HOST "/"),
      .default_image_base = Text("http://" IMAGE_SERVER_HOST "/dm0"),
      .run_directory = executable_directory(),
  };
}

void run_download_job(JobWindow& window, ScriptEngine& engine, const JobSettings& settings) {
  Job(window, engine, settings).run();
}
