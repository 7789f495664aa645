// web_request against servers that misbehave: each call ends within the time limits
// with a defined outcome (an empty or partial body) and no crash.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "tests/hardening/hostile_server.h"
#include "text/primitives.h"
#include "web/web_request.h"
#include "web/web_settings.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

class HostileWeb : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = web_settings();
    WebSettings shortened = saved_;
    shortened.connect_limit = std::chrono::seconds(2);
    shortened.stall_limit = std::chrono::seconds(2);
    set_web_settings(shortened);
  }
  void TearDown() override { set_web_settings(saved_); }

  // Every call here must end well within this, whatever the server does.
  static constexpr auto kBound = std::chrono::seconds(20);

 private:
  WebSettings saved_;
};

TEST_F(HostileWeb, EndlessHeadersEndTheCall) {
  HostileServer server([&server](int socket, const std::string&) {
    if (!server.send_all(socket, "HTTP/1.1 200 OK\r\n")) return false;
    const std::string line = "X-Padding: " + std::string(1000, 'a') + "\r\n";
    while (server.send_all(socket, line)) {
    }
    return false;
  });
  Text headers;
  const auto begin = Clock::now();
  const Bytes body = web_request(Text(server.address()), 0, {}, {}, nullptr, nullptr, &headers);
  EXPECT_LT(Clock::now() - begin, kBound);
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(find_in_text(headers, "Set-Cookie"), -1);
}

TEST_F(HostileWeb, RedirectLoopEnds) {
  HostileServer server([&server](int socket, const std::string&) {
    return server.send_all(
        socket, "HTTP/1.1 302 Found\r\nLocation: /again\r\nContent-Length: 4\r\n\r\nloop");
  });
  const auto begin = Clock::now();
  const Bytes body = web_request(Text(server.address()));
  EXPECT_LT(Clock::now() - begin, kBound);
  // The redirect limit of the HTTP library ends it; what comes back is the last 302's body or
  // nothing.
  EXPECT_TRUE(body.empty() || body.str() == "loop");
  EXPECT_LT(server.requests(), 100);
}

TEST_F(HostileWeb, GarbageInsteadOfHttp) {
  HostileServer server([&server](int socket, const std::string&) {
    std::string garbage;
    for (int i = 0; i < 5000; ++i) garbage += static_cast<char>((i * 7919) % 251 + 1);
    server.send_all(socket, garbage);
    return false;
  });
  const auto begin = Clock::now();
  const Bytes body = web_request(Text(server.address()));
  EXPECT_LT(Clock::now() - begin, kBound);
  EXPECT_TRUE(body.empty());
}

TEST_F(HostileWeb, ResetAfterTheHeadersKeepsWhatArrived) {
  HostileServer server([&server](int socket, const std::string&) {
    server.send_all(socket, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\npartial");
    ::usleep(200 * 1000);
    linger reset{1, 0};  // close with RST instead of FIN
    ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    return false;
  });
  const auto begin = Clock::now();
  const Bytes body = web_request(Text(server.address()));
  EXPECT_LT(Clock::now() - begin, kBound);
  EXPECT_TRUE(body.empty() || body.str() == "partial");
}

TEST_F(HostileWeb, SilentServerEndsAtTheStallLimit) {
  HostileServer server([&server](int, const std::string&) {
    while (!server.stopping()) ::usleep(50 * 1000);
    return false;
  });
  const auto begin = Clock::now();
  const Bytes body = web_request(Text(server.address()));
  EXPECT_LT(Clock::now() - begin, kBound);
  EXPECT_TRUE(body.empty());
}

// A 200 MB body arrives whole, and the process that fetched it peaked at no more
// than about twice the body's size. Measured in a child process of its own, so that
// nothing of the test's own memory counts.
constexpr std::size_t kHugeBody = 200u << 20;

TEST_F(HostileWeb, HugeBodyArrivesWholeWithinTwiceItsSize) {
  HostileServer server([&server](int socket, const std::string&) {
    if (!server.send_all(
            socket, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kHugeBody) + "\r\n\r\n"))
      return false;
    const std::string chunk(1 << 16, 'x');
    for (std::size_t sent = 0; sent < kHugeBody; sent += chunk.size()) {
      if (!server.send_all(socket, chunk)) return false;
    }
    return false;
  });

  const std::string address = server.address("/huge");
  std::string out_path = ::testing::TempDir() + "/huge_fetch_report";
  const char* argv[] = {"/proc/self/exe", "--fetch", address.c_str(), out_path.c_str(), nullptr};
  // The sanitizer's quarantine would keep every freed buffer resident; the figure
  // is about our own memory.
  std::vector<std::string> env_strings;
  for (char** e = environ; *e; ++e) {
    if (std::strncmp(*e, "ASAN_OPTIONS=", 13) != 0) env_strings.emplace_back(*e);
  }
  env_strings.emplace_back("ASAN_OPTIONS=quarantine_size_mb=0");
  std::vector<char*> env;
  for (std::string& s : env_strings) env.push_back(s.data());
  env.push_back(nullptr);

  pid_t child = 0;
  ASSERT_EQ(::posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, const_cast<char**>(argv),
                          env.data()),
            0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  std::FILE* report = std::fopen(out_path.c_str(), "r");
  ASSERT_NE(report, nullptr);
  unsigned long long size = 0, peak_kib = 0;
  ASSERT_EQ(std::fscanf(report, "%llu %llu", &size, &peak_kib), 2);
  std::fclose(report);
  EXPECT_EQ(size, kHugeBody);
  const double ratio = static_cast<double>(peak_kib) * 1024 / static_cast<double>(kHugeBody);
  std::printf("peak memory %.2f times the body's size\n", ratio);
  EXPECT_LE(ratio, 2.2);
}

}  // namespace

// `--fetch <address> <report file>`: fetch once, write the body size and the peak
// resident memory in KiB. Anything else runs the tests.
int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--fetch") == 0) {
    const Bytes body = web_request(Text(argv[2]));
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::FILE* report = std::fopen(argv[3], "w");
    if (!report) return 1;
    std::fprintf(report, "%zu %ld\n", body.size(), usage.ru_maxrss);
    std::fclose(report);
    return 0;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
