#include "web/web_request.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "capture_server.h"
#include "web/http_exchange.h"
#include "web/request_headers.h"
#include "web/web_settings.h"

namespace {

const std::string certificate_file = std::string(WEB_TEST_DIR) + "/test_server_certificate.pem";
const std::string key_file = std::string(WEB_TEST_DIR) + "/test_server_key.pem";

// Runs an httplib server on 127.0.0.1 on a port of its own until destroyed.
class RunningServer {
 public:
  explicit RunningServer(httplib::Server& server) : server_(server) {
    // Headers and body go out in separate writes; without this each response waits
    // for a delayed acknowledgement.
    server_.set_tcp_nodelay(true);
    // Stopping waits for idle kept-alive connections, which the client's pool holds open.
    server_.set_keep_alive_timeout(1);
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~RunningServer() {
    server_.stop();
    thread_.join();
  }
  int port() const { return port_; }

 private:
  httplib::Server& server_;
  int port_ = 0;
  std::thread thread_;
};

std::string text_of(int port, const std::string& scheme, const std::string& path) {
  return scheme + "127.0.0.1:" + std::to_string(port) + path;
}

class WebRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WebSettings settings;
    settings.connect_limit = std::chrono::seconds(5);
    settings.stall_limit = std::chrono::seconds(10);
    settings.ca_file = certificate_file;
    set_web_settings(settings);
    forget_shared_cookies();  // cookies are kept per host, and every server here is 127.0.0.1
  }
  void TearDown() override {
    running_.reset();
    set_web_settings({});
  }

  // Starts `server_` with the routes the test gave it.
  void start() { running_ = std::make_unique<RunningServer>(server_); }
  Text url(const std::string& path) const {
    return Text(text_of(running_->port(), "http://", path));
  }

  httplib::Server server_;
  std::unique_ptr<RunningServer> running_;
};

TEST_F(WebRequestTest, ErrorPageGivesItsBodyAndStatusLine) {
  server_.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
    res.status = 404;
    res.set_content("no such page", "text/plain");
  });
  start();
  Text returned_headers;
  const Bytes body = web_request(url("/missing"), 0, {}, {}, nullptr, nullptr, &returned_headers);
  EXPECT_EQ(body.str(), "no such page");
  EXPECT_TRUE(returned_headers.str().starts_with("HTTP/1.1 404 Not Found\r\n"))
      << returned_headers.str();
  EXPECT_TRUE(returned_headers.str().ends_with("\r\n\r\n"));
}

TEST_F(WebRequestTest, RedirectsAreFollowedUnlessTheCallerSaysNo) {
  server_.Get("/old", [](const httplib::Request&, httplib::Response& res) {
    res.status = 302;
    res.set_header("Location", "/new");
    res.set_content("moved", "text/plain");
  });
  server_.Get("/new", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("final page", "text/plain");
  });
  start();

  Text stopped_headers;
  const Bytes stopped =
      web_request(url("/old"), 0, {}, {}, nullptr, nullptr, &stopped_headers, true);
  EXPECT_EQ(stopped.str(), "moved");
  EXPECT_TRUE(stopped_headers.str().starts_with("HTTP/1.1 302 Found\r\n"));
  EXPECT_NE(stopped_headers.str().find("\r\nLocation: /new\r\n"), std::string::npos);

  Text followed_headers;
  const Bytes followed = web_request(url("/old"), 0, {}, {}, nullptr, nullptr, &followed_headers);
  EXPECT_EQ(followed.str(), "final page");
  // Only the final response's block: one status line, no Location.
  EXPECT_TRUE(followed_headers.str().starts_with("HTTP/1.1 200 OK\r\n"));
  EXPECT_EQ(followed_headers.str().find("Location"), std::string::npos);
  EXPECT_EQ(followed_headers.str().find("HTTP/", 1), std::string::npos);
  EXPECT_TRUE(followed_headers.str().ends_with("\r\n\r\n"));
}

TEST_F(WebRequestTest, ResponseCookiesMergeWithTheCallersCookies) {
  std::string cookie_sent;
  server_.Get("/set", [&](const httplib::Request& req, httplib::Response& res) {
    cookie_sent = req.get_header_value("Cookie");
    res.set_header("Set-Cookie", "b=3; path=/");
    res.set_header("Set-Cookie", "c=4");
    res.set_content("set", "text/plain");
  });
  server_.Get("/delete", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Set-Cookie", "b=deleted; expires=Thu, 01 Jan 1970 00:00:00 GMT");
    res.set_header("Set-Cookie", "c=4");
    res.set_content("deleted", "text/plain");
  });
  start();

  Text returned;
  web_request(url("/set"), 0, {}, "a=1; b=2", &returned);
  EXPECT_EQ(cookie_sent, "a=1; b=2");
  EXPECT_EQ(returned, Text("b=3; c=4; a=1"));

  web_request(url("/delete"), 0, {}, "a=1; b=2", &returned);
  EXPECT_EQ(returned, Text("c=4; a=1"));

  web_request(url("/set"), 0, {}, "a=1; b=2", &returned, nullptr, nullptr, false, nullptr, {},
              false);
  EXPECT_EQ(returned, Text("b=3; c=4"));

  // The caller may pass one variable as cookies and returned cookies.
  Text jar = "a=1; b=2";
  web_request(url("/set"), 0, {}, jar, &jar);
  EXPECT_EQ(jar, Text("b=3; c=4; a=1"));
}

TEST_F(WebRequestTest, CookielessRequestsShareOneCookieStore) {
  server_.Get("/login", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Set-Cookie", "session=xyz; path=/");
    res.set_content("welcome", "text/plain");
  });
  server_.Get("/other", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Set-Cookie", "other=1; path=/");
    res.set_content("other", "text/plain");
  });
  server_.Get("/check", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(req.get_header_value("Cookie"), "text/plain");
  });
  start();

  EXPECT_EQ(web_request(url("/check")).str(), "");
  web_request(url("/login"));
  EXPECT_EQ(web_request(url("/check")).str(), "session=xyz");

  // A request with cookies of its own neither sends the store's nor feeds it.
  EXPECT_EQ(web_request(url("/check"), 0, {}, "a=1").str(), "a=1");
  web_request(url("/other"), 0, {}, "a=1");
  EXPECT_EQ(web_request(url("/check")).str(), "session=xyz");
}

TEST_F(WebRequestTest, PostSendsTheBodyTextAndHandsItBack) {
  server_.Post("/form", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(req.body + "|" + req.get_header_value("Content-Type"), "text/plain");
  });
  start();

  Bytes body_bytes;
  const Bytes echoed =
      web_request(url("/form"), 1, "x=1&y=2", {}, nullptr, nullptr, nullptr, false, &body_bytes);
  EXPECT_EQ(echoed.str(), "x=1&y=2|application/x-www-form-urlencoded");
  EXPECT_EQ(body_bytes.str(), "x=1&y=2");

  // Body bytes take precedence over body text, zero bytes included.
  Bytes raw(std::string("r\0w", 3));
  const Bytes echoed_raw =
      web_request(url("/form"), 1, "ignored", {}, nullptr, nullptr, nullptr, false, &raw);
  EXPECT_EQ(echoed_raw.str(), std::string("r\0w|application/x-www-form-urlencoded", 37));
  EXPECT_EQ(raw.str(), std::string("r\0w", 3));
}

TEST_F(WebRequestTest, WireCarriesExactlyTheCompletedHeaderBlock) {
  CaptureServer capture([](const std::string&) { return CaptureServer::ok("fine"); });
  const std::string base = text_of(capture.port(), "http://", "");
  const std::string host_line = "Host: 127.0.0.1:" + std::to_string(capture.port()) + "\r\n";

  Text headers;
  EXPECT_EQ(web_request(Text(base + "/page?x=1"), 0, {}, {}, nullptr, &headers).str(), "fine");
  const std::string block =
      "Accept: */*\r\nReferer: " + base + "/page?x=1\r\nAccept-Language: zh-cn";
  EXPECT_EQ(headers, Text(block));

  // The caller's own agent line, and a line with an empty value, go out as written.
  Text own = "User-Agent: Custom/2\r\nX-Empty:";
  web_request(Text(base + "/own"), 0, {}, {}, nullptr, &own);

  // A large body goes without Expect: 100-continue.
  const std::string large(2 << 20, 'q');
  Bytes large_body(large);
  web_request(Text(base + "/big"), 1, {}, {}, nullptr, nullptr, nullptr, false, &large_body);

  // A blank in the path would break the request line; it goes escaped.
  web_request(Text(base + "/a b"));

  const std::vector<std::string> requests = capture.requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_TRUE(requests[3].starts_with("GET /a%20b HTTP/1.1\r\n")) << requests[3];
  EXPECT_EQ(requests[0], "GET /page?x=1 HTTP/1.1\r\n" + host_line +
                             "User-Agent: " + default_user_agent + "\r\n" + block + "\r\n\r\n");
  EXPECT_EQ(requests[1], "GET /own HTTP/1.1\r\n" + host_line +
                             "User-Agent: Custom/2\r\nX-Empty:\r\nAccept: */*\r\nReferer: " + base +
                             "/own\r\nAccept-Language: zh-cn\r\n\r\n");
  EXPECT_EQ(requests[2], "POST /big HTTP/1.1\r\n" + host_line + "User-Agent: " +
                             default_user_agent + "\r\nAccept: */*\r\nReferer: " + base +
                             "/big\r\nAccept-Language: zh-cn\r\nContent-Type: "
                             "application/x-www-form-urlencoded\r\nContent-Length: " +
                             std::to_string(large.size()) + "\r\n\r\n" + large);
}

TEST_F(WebRequestTest, MethodTableWithGetForAnythingOutOfRange) {
  CaptureServer capture([](const std::string& request) {
    // A HEAD response announces a body it does not send.
    if (request.starts_with("HEAD "))
      return CaptureServer::Reply{"HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n"};
    return CaptureServer::ok("done");
  });
  const Text address = Text(text_of(capture.port(), "http://", "/v"));
  const struct {
    int method;
    const char* verb;
  } cases[] = {{0, "GET"},    {1, "POST"},  {2, "HEAD"},    {3, "PUT"}, {4, "OPTIONS"},
               {5, "DELETE"}, {6, "TRACE"}, {7, "CONNECT"}, {8, "GET"}, {-1, "GET"}};
  for (const auto& c : cases) {
    Bytes body_bytes;
    const Bytes body =
        web_request(address, c.method, "abc", {}, nullptr, nullptr, nullptr, false, &body_bytes);
    EXPECT_EQ(body.str(), c.method == 2 ? "" : "done") << c.method;
    const bool is_get = std::string(c.verb) == "GET";
    EXPECT_EQ(body_bytes.str(), is_get ? "" : "abc") << c.method;
  }
  const std::vector<std::string> requests = capture.requests();
  ASSERT_EQ(requests.size(), std::size(cases));
  for (std::size_t i = 0; i < requests.size(); ++i) {
    const std::string& request = requests[i];
    const std::string verb = cases[i].verb;
    EXPECT_TRUE(request.starts_with(verb + " /v HTTP/1.1\r\n")) << request;
    if (verb == "GET") {
      EXPECT_TRUE(request.ends_with("zh-cn\r\n\r\n")) << request;
      EXPECT_EQ(request.find("Content-Length"), std::string::npos) << request;
    } else {
      EXPECT_TRUE(request.ends_with("\r\nContent-Length: 3\r\n\r\nabc")) << request;
    }
    EXPECT_EQ(request.find("Content-Type") != std::string::npos, verb == "POST") << request;
  }
}

TEST_F(WebRequestTest, AddressWithoutSchemeGoesOverHttp) {
  server_.Get("/plain", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("plain page", "text/plain");
  });
  start();
  EXPECT_EQ(web_request(Text(text_of(running_->port(), "", "/plain"))).str(), "plain page");
}

TEST_F(WebRequestTest, EmptyAndLargeBodiesArriveAsSent) {
  std::string large(5 << 20, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7919 % 251);
  server_.Get("/empty", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("", "text/plain");
  });
  server_.Get("/large", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(large, "application/octet-stream");
  });
  start();
  Text returned_headers;
  EXPECT_TRUE(web_request(url("/empty"), 0, {}, {}, nullptr, nullptr, &returned_headers).empty());
  EXPECT_TRUE(returned_headers.str().starts_with("HTTP/1.1 200 OK\r\n"));
  EXPECT_TRUE(web_request(url("/large")).str() == large);
}

TEST_F(WebRequestTest, SuccessiveRequestsReuseOneConnection) {
  std::mutex mutex;
  std::set<int> client_ports;
  server_.set_keep_alive_max_count(1000);
  server_.Get("/again", [&](const httplib::Request& req, httplib::Response& res) {
    std::lock_guard lock(mutex);
    client_ports.insert(req.remote_port);
    res.set_content("again", "text/plain");
  });
  start();
  for (int i = 0; i < 100; ++i) ASSERT_EQ(web_request(url("/again")).str(), "again");
  std::lock_guard lock(mutex);
  EXPECT_EQ(client_ports.size(), 1u);
}

// The program calls from one thread, but the shared store and pool must hold up to more.
TEST_F(WebRequestTest, CallsFromSeveralThreadsShareStoreAndPoolSafely) {
  server_.Get("/login", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Set-Cookie", "session=xyz; path=/");
    res.set_content("welcome", "text/plain");
  });
  server_.Get("/check", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(req.get_header_value("Cookie"), "text/plain");
  });
  start();
  web_request(url("/login"));
  std::atomic<int> right{0};
  std::vector<std::thread> callers;
  for (int t = 0; t < 4; ++t) {
    callers.emplace_back([&] {
      for (int i = 0; i < 25; ++i) right += web_request(url("/check")).str() == "session=xyz";
    });
  }
  for (std::thread& caller : callers) caller.join();
  EXPECT_EQ(right, 100);
}

TEST_F(WebRequestTest, ConnectionClosedMidBodyGivesWhatArrived) {
  CaptureServer capture([](const std::string&) {
    return CaptureServer::Reply{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789",
                                CaptureServer::After::close};
  });
  Text returned_headers;
  const Bytes body = web_request(Text(text_of(capture.port(), "http://", "/cut")), 0, {}, {},
                                 nullptr, nullptr, &returned_headers);
  EXPECT_EQ(body.str(), "0123456789");
  EXPECT_TRUE(returned_headers.str().starts_with("HTTP/1.1 200 OK\r\n"));
}

TEST_F(WebRequestTest, StalledServerEndsTheCallAtTheStallLimit) {
  WebSettings short_stall = web_settings();
  short_stall.stall_limit = std::chrono::milliseconds(500);
  set_web_settings(short_stall);
  CaptureServer part_then_silence([](const std::string&) {
    return CaptureServer::Reply{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npart",
                                CaptureServer::After::stall};
  });
  EXPECT_EQ(web_request(Text(text_of(part_then_silence.port(), "http://", "/"))).str(), "part");

  CaptureServer silence([](const std::string&) {
    return CaptureServer::Reply{"", CaptureServer::After::stall};
  });
  Text returned_headers = "before";
  EXPECT_TRUE(web_request(Text(text_of(silence.port(), "http://", "/")), 0, {}, {}, nullptr,
                          nullptr, &returned_headers)
                  .empty());
  EXPECT_EQ(returned_headers, Text(""));
}

TEST_F(WebRequestTest, UnresolvableHostGivesNothingAndNoHeaderBlock) {
  Text returned_cookies = "old";
  Text headers;
  Text returned_headers = "old";
  const Bytes body = web_request("http://no-such-host.invalid/page", 0, {}, "a=1",
                                 &returned_cookies, &headers, &returned_headers);
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(returned_headers, Text(""));
  // The exchange started: the header block was built and the caller's cookies merged in.
  EXPECT_EQ(headers, Text("Accept: */*\r\nReferer: http://no-such-host.invalid/page\r\n"
                          "Accept-Language: zh-cn\r\nCookie: a=1"));
  EXPECT_EQ(returned_cookies, Text("a=1"));
  // A host that would change the address's meaning is one that cannot be resolved, and a
  // port past 65535 names no server.
  for (const char* odd :
       {"http://user@127.0.0.1/", "http://127.0.0.1#x/", "http://127.0.0.1:70000/",
        "http://127.0.0.1:99999999999999999999/", "http:///x"}) {
    Text odd_headers = "old";
    EXPECT_TRUE(web_request(odd, 0, {}, {}, nullptr, nullptr, &odd_headers).empty()) << odd;
    EXPECT_EQ(odd_headers, Text("")) << odd;
  }
}

TEST_F(WebRequestTest, RequestThatCannotBeSetUpLeavesTheCallersVariablesAlone) {
  // curl refuses an address this long before anything is sent.
  const Text address = Text("http://127.0.0.1/" + std::string(9'000'000, 'a'));
  Text returned_cookies = "rc";
  Text headers = "X-Mine: 1";
  Text returned_headers = "rh";
  Bytes body_bytes;
  const Bytes body = web_request(address, 1, "text", "a=1", &returned_cookies, &headers,
                                 &returned_headers, false, &body_bytes);
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(returned_cookies, Text("rc"));
  EXPECT_EQ(headers, Text("X-Mine: 1"));
  EXPECT_EQ(returned_headers, Text("rh"));
  EXPECT_TRUE(body_bytes.empty());
}

TEST_F(WebRequestTest, ProxyServesPlainAndSecureRequests) {
  CaptureServer proxy([](const std::string& request) {
    if (request.starts_with("CONNECT ")) {
      return CaptureServer::Reply{"HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n",
                                  CaptureServer::After::close};
    }
    return CaptureServer::ok("via proxy");
  });
  const Text proxy_text = Text("127.0.0.1:" + std::to_string(proxy.port()));
  EXPECT_EQ(web_request("http://example.invalid/page", 0, {}, {}, nullptr, nullptr, nullptr, false,
                        nullptr, proxy_text)
                .str(),
            "via proxy");
  EXPECT_TRUE(web_request("https://example.invalid/page", 0, {}, {}, nullptr, nullptr, nullptr,
                          false, nullptr, proxy_text)
                  .empty());
  const std::vector<std::string> requests = proxy.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_TRUE(requests[0].starts_with(
      "GET http://example.invalid/page HTTP/1.1\r\nHost: example.invalid\r\n"))
      << requests[0];
  EXPECT_TRUE(requests[1].starts_with("CONNECT example.invalid:443 HTTP/1.1\r\n")) << requests[1];
}

class SecureWebRequestTest : public WebRequestTest {
 protected:
  void SetUp() override {
    WebRequestTest::SetUp();
    secure_server_.Get("/secure", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Set-Cookie", "token=1");
      res.set_content("secret page", "text/plain");
    });
    secure_running_ = std::make_unique<RunningServer>(secure_server_);
  }
  void TearDown() override {
    secure_running_.reset();
    WebRequestTest::TearDown();
  }
  std::string secure_url(const std::string& scheme_and_host) const {
    return scheme_and_host + ":" + std::to_string(secure_running_->port()) + "/secure";
  }

  httplib::SSLServer secure_server_{certificate_file.c_str(), key_file.c_str()};
  std::unique_ptr<RunningServer> secure_running_;
};

TEST_F(SecureWebRequestTest, HttpsSchemeInAnyLetterCaseIsSecure) {
  ASSERT_TRUE(secure_server_.is_valid());
  EXPECT_EQ(web_request(Text(secure_url("https://127.0.0.1"))).str(), "secret page");
  EXPECT_EQ(web_request(Text(secure_url("HTTPS://127.0.0.1"))).str(), "secret page");
  EXPECT_EQ(web_request(Text(secure_url("HtTpS://localhost"))).str(), "secret page");
}

TEST_F(SecureWebRequestTest, RefusedCertificateGivesNothing) {
  WebSettings system_trust = web_settings();
  system_trust.ca_file.clear();
  set_web_settings(system_trust);
  Text returned_cookies;
  Text returned_headers = "old";
  EXPECT_TRUE(web_request(Text(secure_url("https://127.0.0.1")), 0, {}, {}, &returned_cookies,
                          nullptr, &returned_headers)
                  .empty());
  EXPECT_EQ(returned_headers, Text(""));
  EXPECT_EQ(returned_cookies, Text(""));
}

}  // namespace
