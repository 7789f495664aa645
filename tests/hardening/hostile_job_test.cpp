// The download job against servers that misbehave: a defined outcome (a normal end,
// a log line), no crash, nothing written outside the run directory.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include <filesystem>

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
  const std::string scrambled = std::string(70, '1');  // long enough to be decoded
  HostileServer server([&server, &scrambled](int socket, const std::string& head) {
    std::string body;
    if (head.find("/manhua/") != std::string::npos) {
      body = "cVolList<ul><li><a href='cool7/1.html?s=3'>x</a></li></ul>hdComicID";
    } else if (head.find("/cool7/1.html") != std::string::npos) {
      body = "<title>t</title>\"name=\"" + scrambled + "\"";
    } else if (head.find("/dm0") != std::string::npos) {
      server.send_all(socket, "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n");
      linger reset{1, 0};
      ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
      return false;
    }
    server.send_all(socket, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                                "\r\n\r\n" + body);
    return true;
  });
  TemporaryDirectory run;
  const PlainJobWindow window = run_job(server, run.path());
  ASSERT_EQ(window.messages, std::vector<std::string>{kFinished});
  int failures = 0;
  for (const std::string& line : window.log) failures += line.starts_with("图片下载失败：");
  EXPECT_EQ(failures, 1);  // page 1's image; page 2 is not a page and ends the chapter
  for (const auto& entry : std::filesystem::recursive_directory_iterator(run.path())) {
    EXPECT_FALSE(entry.path().filename().string().starts_with(".part-"));
  }
}

}  // namespace
