// 1000 sequential GETs of a 100 KB body on loopback through web_request, next to the
// same GETs through one reused raw libcurl easy handle, in the same run. Prints the
// ratio of the two times (goal: at most 1.1).
#include <curl/curl.h>
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "web/web_request.h"

namespace {

constexpr int requests_per_round = 1000;
constexpr int rounds = 3;

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

std::size_t append_body(char* data, std::size_t size, std::size_t count, void* user) noexcept {
  try {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
  } catch (...) {
    return 0;
  }
}

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main() {
  const std::string page(100 * 1024, 'x');
  httplib::Server server;
  server.set_tcp_nodelay(true);
  server.set_keep_alive_max_count(100000);
  server.Get("/page", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(page, "application/octet-stream");
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread serving([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));

  const std::string address = "http://127.0.0.1:" + std::to_string(port) + "/page";
  const Text address_text(address);

  std::unique_ptr<CURL, EasyDeleter> raw(curl_easy_init());
  std::string raw_body;
  curl_easy_setopt(raw.get(), CURLOPT_URL, address.c_str());
  curl_easy_setopt(raw.get(), CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(raw.get(), CURLOPT_WRITEFUNCTION, &append_body);
  curl_easy_setopt(raw.get(), CURLOPT_WRITEDATA, &raw_body);

  // Warm both paths up: connection, name lookup, allocator.
  for (int i = 0; i < 20; ++i) {
    (void)web_request(address_text);
    raw_body.clear();
    (void)curl_easy_perform(raw.get());
  }

  bool all_complete = true;
  double ours_total = 0;
  double raw_total = 0;
  for (int round = 1; round <= rounds; ++round) {
    auto start = Clock::now();
    for (int i = 0; i < requests_per_round; ++i) {
      all_complete = all_complete && web_request(address_text).size() == page.size();
    }
    const double ours = seconds_since(start);

    start = Clock::now();
    for (int i = 0; i < requests_per_round; ++i) {
      raw_body.clear();
      all_complete = all_complete && curl_easy_perform(raw.get()) == CURLE_OK &&
                     raw_body.size() == page.size();
    }
    const double baseline = seconds_since(start);
    ours_total += ours;
    raw_total += baseline;
    std::printf("round %d: web_request %.3f s, raw easy handle %.3f s, ratio %.3f\n", round, ours,
                baseline, ours / baseline);
  }
  std::printf("%d GETs of 100 KB x %d rounds: ratio web_request / raw easy handle = %.3f%s\n",
              requests_per_round, rounds, ours_total / raw_total,
              all_complete ? "" : " (SOME BODIES INCOMPLETE)");

  raw.reset();
  server.stop();
  serving.join();
  return all_complete ? 0 : 1;
}
