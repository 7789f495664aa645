#include "comic_site.h"

#include <httplib.h>

#include <QBuffer>
#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <stdexcept>

#include "image_path_encoder.h"

namespace {

constexpr const char* kSiteName = "-HH漫画汗汗酷漫";

std::uint32_t fnv1a(const std::string& text) {
  std::uint32_t hash = 2166136261u;
  for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
  return hash;
}

// A small deterministic generator, so that every run serves the same site.
class Dice {
 public:
  explicit Dice(std::uint32_t seed) : state_(seed ? seed : 1) {}
  std::uint32_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  std::size_t below(std::size_t n) { return next() % n; }

 private:
  std::uint32_t state_;
};

std::string address(int port) { return "http://127.0.0.1:" + std::to_string(port); }

// A JPEG for one page. The caption is drawn only where a QGuiApplication runs
// (text needs the platform's fonts); the colours tell the pages apart anyway.
std::string draw_image(const std::string& caption, std::uint32_t seed) {
  QImage image(160, 220, QImage::Format_RGB32);
  image.fill(QColor::fromHsv(static_cast<int>(seed % 360), 60, 245));
  {
    QPainter painter(&image);
    painter.setPen(QPen(QColor::fromHsv(static_cast<int>((seed / 7) % 360), 200, 120), 4));
    painter.drawRect(8, 8, 144, 204);
    painter.fillRect(20, 150, static_cast<int>(20 + seed % 100), 40,
                     QColor::fromHsv(static_cast<int>((seed / 3) % 360), 180, 200));
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
      painter.setPen(Qt::black);
      QFont font;
      font.setPixelSize(16);
      painter.setFont(font);
      painter.drawText(QRect(16, 20, 128, 120), Qt::AlignCenter | Qt::TextWordWrap,
                       QString::fromStdString(caption));
    }
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "JPEG", 85)) throw std::runtime_error("JPEG writer missing");
  return bytes.toStdString();
}

SampleChapter chapter(std::string id, std::string s, std::string title, int pages,
                      bool image_host = true) {
  SampleChapter result;
  result.id = std::move(id);
  result.s = std::move(s);
  result.title = std::move(title);
  result.pages = pages;
  result.image_host = image_host;
  return result;
}

}  // namespace

std::vector<SampleComic> sample_comics() {
  return {
      {"34058",
       "星海旅人",
       {chapter("40001", "7", "第1话", 4), chapter("40002", "3", "第2话 风起", 3),
        chapter("40003", "7", "番外篇", 2, false)},
       false},
      {"10086",
       "月下小猫",
       {chapter("50001", "2", "第一卷", 3), chapter("50002", "2", "第二卷", 2)},
       false},
      {"20001", "远山", {chapter("60001", "5", "短篇", 1)}, false},
  };
}

ComicSite::ComicSite(std::vector<SampleComic> comics) : comics_(std::move(comics)) {
  for (const SampleComic& comic : comics_) {
    for (const SampleChapter& chapter : comic.chapters) {
      for (int page = 1; page <= chapter.pages; ++page) {
        image_paths_[decoded_path(chapter.id, page)] = Location{&comic, &chapter, page};
      }
    }
  }
}

ComicSite::~ComicSite() { stop(); }

const SampleChapter* ComicSite::find_chapter(const std::string& chapter_id,
                                             const SampleComic** comic) const {
  for (const SampleComic& candidate : comics_) {
    for (const SampleChapter& chapter : candidate.chapters) {
      if (chapter.id == chapter_id) {
        if (comic) *comic = &candidate;
        return &chapter;
      }
    }
  }
  return nullptr;
}

const SampleComic& ComicSite::comic(const std::string& comic_id) const {
  for (const SampleComic& candidate : comics_) {
    if (candidate.id == comic_id) return candidate;
  }
  throw std::out_of_range("no sample comic " + comic_id);
}

std::string ComicSite::site_root() const { return address(site_port_) + "/"; }
std::string ComicSite::default_image_base() const { return address(default_image_port_) + "/dm0"; }
std::string ComicSite::image_host() const { return address(image_port_); }
std::string ComicSite::catalog_address(const std::string& comic_id) const {
  return site_root() + "manhua/" + comic_id + ".html";
}

std::string ComicSite::decoded_path(const std::string& chapter_id, int page) const {
  const SampleComic* owner = nullptr;
  find_chapter(chapter_id, &owner);
  const std::string comic_id = owner ? owner->id : "0";
  const std::string tag = std::to_string(fnv1a(chapter_id + "/" + std::to_string(page)) % 100000);
  return "comicpic/" + comic_id + "/" + chapter_id + "/" + std::to_string(page) + "_" + tag +
         ".jpg";
}

std::string ComicSite::image_address(const std::string& chapter_id, int page) const {
  const SampleChapter* chapter = find_chapter(chapter_id, nullptr);
  const std::string path = decoded_path(chapter_id, page);
  if (chapter && !chapter->image_host) return default_image_base() + chapter->s + "/" + path;
  return image_host() + "/" + path;
}

std::string ComicSite::scrambled_path(const SampleChapter& chapter, int page) const {
  if (auto own = chapter.scrambled_paths.find(page); own != chapter.scrambled_paths.end()) {
    return own->second;
  }
  if (page > chapter.pages) return "end" + std::to_string(page);  // short: the chapter ends
  Dice dice(fnv1a("key/" + chapter.id + "/" + std::to_string(page)));
  std::string key;
  if (page % 5 == 0) {
    key = "0123456789";
  } else {
    std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (std::size_t i = 0; i < 10; ++i) {
      std::swap(letters[i], letters[i + dice.below(letters.size() - i)]);
    }
    key = letters.substr(0, 10);
  }
  std::string separators = ",;_~.-";
  for (char c = 'a'; c <= 'z'; ++c) {
    if (key.find(c) == std::string::npos) separators += c;
  }
  const char separator = separators[dice.below(separators.size())];
  const std::string lasts = "abcdefghijklmnopqrstuvwxyzZ7_";
  const char last = lasts[dice.below(lasts.size())];
  return scramble_image_path(decoded_path(chapter.id, page), key, separator, last);
}

std::string ComicSite::scrambled_path(const std::string& chapter_id, int page) const {
  const SampleChapter* found = find_chapter(chapter_id, nullptr);
  return found ? scrambled_path(*found, page) : std::string();
}

std::string ComicSite::catalog_page(const SampleComic& comic) const {
  std::string items;
  for (const SampleChapter& chapter : comic.chapters) {
    const std::string item = !chapter.item.empty()
                                 ? chapter.item
                                 : "<a class=\"l_s\" href='cool" + chapter.id +
                                       "/1.html?s=" + chapter.s + "' target=\"_blank\" title='" +
                                       chapter.title + "'>" + chapter.title + "</a>";
    items += "\t\t<li>" + item + "</li>\r\n";
  }
  return "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"utf-8\" />\r\n<title>" +
         comic.name + " " + kSiteName +
         "</title>\r\n</head>\r\n<body>\r\n<div class=\"cInfo\">\r\n\t<ul>\r\n"
         "\t\t<li><b>作者:</b> 佚名 </li>\r\n\t\t<li><b>集数:</b> " +
         std::to_string(comic.chapters.size()) +
         " </li>\r\n\t</ul>\r\n</div>\n<div class=\"cVolList\">\r\n\t<ul class=\"cVolUl\">\r\n" +
         items + "\t</ul>\r\n</div>\r\n<input type=\"hidden\" id=\"hdComicID\" value=\"" +
         comic.id + "\" />\r\n</body>\r\n</html>\r\n";
}

std::string ComicSite::chapter_page(const SampleComic& comic, const SampleChapter& chapter,
                                    int page) const {
  std::string host_field;
  if (chapter.image_host) {
    host_field = "<input type=\"hidden\" id=\"hdDomain\" value=\"" + image_host() + "|" +
                 address(site_port_) + "\" />\r\n";
  }
  return "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"utf-8\" />\r\n<title>" +
         chapter.title + " " + kSiteName + "</title>\r\n</head>\r\n<body>\r\n" +
         "<div class=\"cH1\">\r\n\t<a href=\"/manhua/" + comic.id + ".html\">" + comic.name +
         "</a>\r\n\t第 <b>" + std::to_string(page) + "/" + std::to_string(chapter.pages) +
         "</b> 页\r\n</div>\n<div id=\"iBody\">\r\n\t<img id=\"iBodyQ\" border=\"0\" name=\"" +
         scrambled_path(chapter, page) + "\" />\r\n</div>\r\n" + host_field +
         "<input type=\"hidden\" id=\"hdVolID\" value=\"" + chapter.id +
         "\" />\r\n</body>\r\n</html>\r\n";
}

std::string ComicSite::image_bytes(const std::string& path) {
  std::lock_guard lock(mutex_);
  auto cached = image_cache_.find(path);
  if (cached != image_cache_.end()) return cached->second;
  std::string caption = path;
  if (auto known = image_paths_.find(path); known != image_paths_.end()) {
    const Location& at = known->second;
    caption = at.comic->name + "\n" + at.chapter->title + "\n第 " + std::to_string(at.page) + " 页";
  }
  return image_cache_[path] = draw_image(caption, fnv1a(path));
}

void ComicSite::record(int port, const std::string& target) {
  std::lock_guard lock(mutex_);
  requests_.push_back(address(port) + target);
}

std::vector<std::string> ComicSite::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

int ComicSite::request_count(const std::string& wanted) const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::count(requests_.begin(), requests_.end(), wanted));
}

void ComicSite::set_up_site(httplib::Server& server) {
  server.Get(R"(/manhua/([^/]+)\.html)", [this](const httplib::Request& request,
                                                httplib::Response& response) {
    record(site_port_, request.target);
    for (const SampleComic& candidate : comics_) {
      if (candidate.id != request.matches[1].str()) continue;
      if (candidate.catalog_fails) {
        response.status = 500;
        return;
      }
      response.set_content(catalog_page(candidate), "text/html; charset=utf-8");
      return;
    }
    response.status = 404;
    response.set_content("<html><body>没有这部漫画</body></html>", "text/html; charset=utf-8");
  });
  server.Get(R"(/cool([^/]*)/(\d{1,6})\.html)", [this](const httplib::Request& request,
                                                       httplib::Response& response) {
    record(site_port_, request.target);
    const SampleComic* owner = nullptr;
    const SampleChapter* found = find_chapter(request.matches[1].str(), &owner);
    const int page = std::stoi(request.matches[2].str());
    // Past the short path that ends a chapter there is nothing but an error page.
    if (found == nullptr || page < 1 || page > found->pages + 1) {
      response.status = 404;
      response.set_content("<html><body>页面不存在</body></html>", "text/html; charset=utf-8");
      return;
    }
    response.set_content(chapter_page(*owner, *found, page), "text/html; charset=utf-8");
  });
  // Anything else on the site: an error page without markers.
  server.Get(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
    record(site_port_, request.target);
    response.status = 404;
    response.set_content("<html><body>页面不存在</body></html>", "text/html; charset=utf-8");
  });
}

void ComicSite::set_up_images(httplib::Server& server, bool default_server) {
  const int* port = default_server ? &default_image_port_ : &image_port_;
  server.Get(R"(/.*)", [this, port, default_server](const httplib::Request& request,
                                                    httplib::Response& response) {
    record(*port, request.target);
    std::string path = request.path.empty() ? "" : request.path.substr(1);
    if (default_server) {
      // The default image server keeps its images under "dm0" + s value.
      const std::size_t slash = path.find('/');
      if (path.rfind("dm0", 0) != 0 || slash == std::string::npos) {
        response.status = 404;
        return;
      }
      path = path.substr(slash + 1);
    }
    if (auto known = image_paths_.find(path); known != image_paths_.end()) {
      const Location& at = known->second;
      if (at.chapter->failing_images.count(at.page) != 0) {
        response.status = 500;  // an empty body: the request brings nothing
        return;
      }
    }
    response.set_content(image_bytes(path), "image/jpeg");
  });
}

bool ComicSite::listen(httplib::Server& server, int wanted_port, int& port, std::thread& thread) {
  server.set_keep_alive_max_count(100000);
  // Clients keep their connections open; a short idle limit lets stop() return soon.
  server.set_keep_alive_timeout(1);
  // Headers and body go out in separate writes: without this, delayed ACKs add 40 ms.
  server.set_tcp_nodelay(true);
  if (wanted_port == 0) {
    port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0) return false;
  } else {
    if (!server.bind_to_port("127.0.0.1", wanted_port)) return false;
    port = wanted_port;
  }
  // Bound and listening already: connections queue until the loop accepts them.
  thread = std::thread([&server] { server.listen_after_bind(); });
  // A stop() before the loop runs would be lost, so wait until it does.
  while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

bool ComicSite::start(int site_port, int default_image_port, int image_port) {
  stop();
  site_ = std::make_unique<httplib::Server>();
  images_ = std::make_unique<httplib::Server>();
  default_images_ = std::make_unique<httplib::Server>();
  set_up_site(*site_);
  set_up_images(*images_, false);
  set_up_images(*default_images_, true);
  const bool started =
      listen(*site_, site_port, site_port_, site_thread_) &&
      listen(*images_, image_port, image_port_, images_thread_) &&
      listen(*default_images_, default_image_port, default_image_port_, default_images_thread_);
  if (!started) stop();
  return started;
}

void ComicSite::stop() {
  for (auto* server : {site_.get(), images_.get(), default_images_.get()}) {
    if (server) server->stop();
  }
  for (auto* thread : {&site_thread_, &images_thread_, &default_images_thread_}) {
    if (thread->joinable()) thread->join();
  }
  site_.reset();
  images_.reset();
  default_images_.reset();
}
