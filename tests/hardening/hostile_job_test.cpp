// The download job against servers that misbehave: a defined outcome (a normal end,
// a log line), no crash, nothing written outside the run directory.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "download/download_job.h"
#include "tests/download/plain_job_window.h"
#include "tests/download/temporary_directory.h"
#include "tests/hardening/hostile_server.h"
#include "text/codepage.h"
#include "web/web_settings.h"

namespace {

class HostileJob : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = web_settings();
    WebSettings shortened = saved_;
    shortened.stall_limit = std::chrono::seconds(2);
    set_web_settings(shortened);
  }
  void TearDown() override { set_web_settings(saved_); }

 private:
  WebSettings saved_;
};

// One whole job on comic 1 of `server`, which is the comic site and the default image
// server at once.
PlainJobWindow run_job(const HostileServer& server, const std::filesystem::path& run_directory) {
  PlainJobWindow window(Text(server.address("/manhua/1.html")));
  ScriptEngine engine;
  run_download_job(window, engine,
                   {Text(server.address("/")), Text(server.address("/dm0")), run_directory});
  return window;
}

const char kFinished[] = "下载完毕，请去程序目录查看下载！";

// The catalog and the one page of a one-chapter comic (the chapter's second page is
// no page and ends it); nullopt for any other request, which is the image.
std::optional<std::string> comic_page(const std::string& head, const std::string& filler = {}) {
  if (head.find("/manhua/") != std::string::npos) {
    return filler + "cVolList<ul><li><a href='cool7/1.html?s=3'>x</a></li></ul>hdComicID";
  }
  if (head.find("/cool7/1.html") != std::string::npos) {
    return "<title>t</title>\"name=\"" + std::string(70, '1') + "\"";  // long enough to decode
  }
  if (head.find("/cool7/") != std::string::npos) return "";
  return std::nullopt;
}

bool send_body(const HostileServer& server, int socket, const std::string& body) {
  return server.send_all(socket, "HTTP/1.1 200 OK\r\nContent-Length: " +
                                     std::to_string(body.size()) + "\r\n\r\n" + body);
}

int failed_images(const PlainJobWindow& window) {
  int failures = 0;
  for (const std::string& line : window.log) failures += line.starts_with("图片下载失败：");
  return failures;
}

void expect_no_leftovers(const std::filesystem::path& run_directory) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(run_directory)) {
    EXPECT_FALSE(entry.path().filename().string().starts_with(".part-")) << entry.path();
  }
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(HostileJob, GarbageCatalogEndsNormallyWithNoChapters) {
  HostileServer server([&server](int socket, const std::string&) {
    server.send_all(socket, std::string(3000, '\x7f') + "<li>\r\n\x01\x02");
    return false;
  });
  TemporaryDirectory run;
  const PlainJobWindow window = run_job(server, run.path());
  ASSERT_EQ(window.messages, std::vector<std::string>{kFinished});
  EXPECT_EQ(window.log.size(), 3u);  // name, chapter count, id, all from an unreadable page
  EXPECT_TRUE(std::filesystem::is_directory(run.path() / "1"));
}

// A chapter whose pages are fine but whose image server resets every connection
// after its headers: each image is logged as failed and the job goes on to its end.
TEST_F(HostileJob, ResetImagesAreLoggedAndTheJobEnds) {
  HostileServer server([&server](int socket, const std::string& head) {
    if (const auto page = comic_page(head)) return send_body(server, socket, *page);
    server.send_all(socket, "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n");
    linger reset{1, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    return false;
  });
  TemporaryDirectory run;
  const PlainJobWindow window = run_job(server, run.path());
  ASSERT_EQ(window.messages, std::vector<std::string>{kFinished});
  EXPECT_EQ(failed_images(window), 1);
  expect_no_leftovers(run.path());
}

// Headers that never end, on the catalog, the chapter's page or the image: that
// request comes back empty and the job goes on to its normal end.
TEST_F(HostileJob, EndlessHeadersAnywhereEndTheJobNormally) {
  for (const std::string route : {"/manhua/", "/cool7/1.html", "/dm0"}) {
    SCOPED_TRACE(route);
    HostileServer server([&server, &route](int socket, const std::string& head) {
      if (head.find(route) == std::string::npos) {
        if (const auto page = comic_page(head)) return send_body(server, socket, *page);
      }
      if (!server.send_all(socket, "HTTP/1.1 200 OK\r\n")) return false;
      const std::string line = "Set-Cookie: x=" + std::string(1000, 'a') + "\r\n";
      while (server.send_all(socket, line)) {
      }
      return false;
    });
    TemporaryDirectory run;
    const auto begin = std::chrono::steady_clock::now();
    const PlainJobWindow window = run_job(server, run.path());
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(30));
    ASSERT_EQ(window.messages, std::vector<std::string>{kFinished});
    EXPECT_EQ(failed_images(window), route == "/dm0" ? 1 : 0);
    expect_no_leftovers(run.path());
  }
}

// A 32 MB catalog whose chapter list comes last and a 64 MB image: the chapter is
// found, and the image is stored whole under its final name.
TEST_F(HostileJob, HugeCatalogAndImageComeThroughWhole) {
  std::string filler;
  while (filler.size() < (32u << 20)) filler += "<p>\t漫画 目录</p>\r\n";
  std::string image(64u << 20, '\0');
  for (std::size_t i = 0; i < image.size(); ++i)
    image[i] = static_cast<char>(i * 2654435761u >> 24);
  HostileServer server([&server, &filler, &image](int socket, const std::string& head) {
    if (const auto page = comic_page(head, filler)) return send_body(server, socket, *page);
    return send_body(server, socket, image);
  });
  TemporaryDirectory run;
  const PlainJobWindow window = run_job(server, run.path());
  ASSERT_EQ(window.messages, std::vector<std::string>{kFinished});
  EXPECT_EQ(failed_images(window), 0);
  const std::filesystem::path stored = run.path() / "1" / "t" / "1.jpg";
  ASSERT_EQ(std::filesystem::file_size(stored), image.size());
  EXPECT_TRUE(read_file(stored) == image);  // not EXPECT_EQ: a failure would print 64 MB
  expect_no_leftovers(run.path());
}

}  // namespace
