// The sample comic site: a loopback stand-in for the comic site, its image host
// and its default image server, serving the shapes the download job reads.
//
// Pages are UTF-8 with the spaces, tabs and CR LF pairs the job removes, the
// site's name appended to every title and the hidden image-host field listing
// two hosts joined by "|". Every page of a chapter carries its image path
// scrambled by the image path encoder with its own key, separator and tail
// letter; the page after the last carries a short path, which ends the chapter.
// Images are small JPEGs, drawn for the comic, chapter and page they belong to.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

struct SampleChapter {
  std::string id;          // the chapter's pages live at cool<id>/<page>.html
  std::string s;           // the s value of the chapter address
  std::string title;       // UTF-8, as the page's title shows it before the site's name
  int pages = 3;           // pages with an image; page pages + 1 carries a short path
  bool image_host = true;  // false: no image-host field, the default image server is used
  std::map<int, std::string> scrambled_paths;  // page -> a scrambled path that replaces the own
  std::set<int> failing_images;                // pages whose image comes back empty
  std::string item;  // when set, the catalog item's text as it stands (UTF-8)
};

struct SampleComic {
  std::string id;
  std::string name;  // UTF-8
  std::vector<SampleChapter> chapters;
  bool catalog_fails = false;  // the catalog answers 500 with an empty body
};

// The site's own comics: 34058 (the sample address; three chapters, one without
// an image host) and two more.
std::vector<SampleComic> sample_comics();

class ComicSite {
 public:
  explicit ComicSite(std::vector<SampleComic> comics = sample_comics());
  ~ComicSite();
  ComicSite(const ComicSite&) = delete;
  ComicSite& operator=(const ComicSite&) = delete;

  // Listens on 127.0.0.1: the comic site, the image host and the default image
  // server, each on the given port or on any free port when it is 0.
  bool start(int site_port = 0, int default_image_port = 0, int image_port = 0);
  void stop();

  int site_port() const { return site_port_; }
  int image_port() const { return image_port_; }
  int default_image_port() const { return default_image_port_; }
  std::string site_root() const;           // "http://127.0.0.1:<port>/"
  std::string default_image_base() const;  // "http://127.0.0.1:<port>/dm0"
  std::string image_host() const;          // the first host of the image-host field
  std::string catalog_address(const std::string& comic_id) const;

  const std::vector<SampleComic>& comics() const { return comics_; }
  const SampleComic& comic(const std::string& comic_id) const;

  // The plain image path behind page `page` of a chapter, and where the job should
  // fetch it (the image host, or the default image server for a chapter without one).
  std::string decoded_path(const std::string& chapter_id, int page) const;
  std::string image_address(const std::string& chapter_id, int page) const;
  // The scrambled path that page `page` of a chapter carries.
  std::string scrambled_path(const std::string& chapter_id, int page) const;
  // The bytes the image servers send for a plain image path.
  std::string image_bytes(const std::string& decoded_path);

  // Every request in arrival order, as "http://127.0.0.1:<port>" + target.
  std::vector<std::string> requests() const;
  int request_count(const std::string& address) const;

 private:
  struct Location {
    const SampleComic* comic;
    const SampleChapter* chapter;
    int page;
  };
  const SampleChapter* find_chapter(const std::string& chapter_id, const SampleComic** comic) const;
  std::string catalog_page(const SampleComic& comic) const;
  std::string chapter_page(const SampleComic& comic, const SampleChapter& chapter, int page) const;
  std::string scrambled_path(const SampleChapter& chapter, int page) const;
  void record(int port, const std::string& target);
  void set_up_site(httplib::Server& server);
  void set_up_images(httplib::Server& server, bool default_server);
  bool listen(httplib::Server& server, int wanted_port, int& port, std::thread& thread);

  std::vector<SampleComic> comics_;
  std::map<std::string, Location> image_paths_;  // decoded path -> its page
  std::unique_ptr<httplib::Server> site_;
  std::unique_ptr<httplib::Server> images_;
  std::unique_ptr<httplib::Server> default_images_;
  std::thread site_thread_, images_thread_, default_images_thread_;
  int site_port_ = 0, image_port_ = 0, default_image_port_ = 0;

  mutable std::mutex mutex_;  // guards what the server threads touch
  std::vector<std::string> requests_;
  std::map<std::string, std::string> image_cache_;
};
