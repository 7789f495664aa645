#include "web/http_exchange.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>

#include "web/web_settings.h"

namespace {

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct ShareDeleter {
  void operator()(CURLSH* share) const { curl_share_cleanup(share); }
};
struct MultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using HeaderList = std::unique_ptr<curl_slist, SlistDeleter>;
using ShareHandle = std::unique_ptr<CURLSH, ShareDeleter>;
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;

// Redirect chains longer than this end with the last response received.
constexpr long redirect_limit = 30;

// The process-wide share: cookie store, name lookups and connection pool. Built on
// first use; torn down at exit after every easy handle is gone.
class ProcessShare {
 public:
  static CURLSH* get() {
    static ProcessShare share;
    return share.share_.get();
  }

 private:
  ProcessShare() {
    // Not thread-safe in curl, so done exactly once, here.
    global_ready_ = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!global_ready_) return;
    ShareHandle share(curl_share_init());
    if (!share) return;
    bool ok = curl_share_setopt(share.get(), CURLSHOPT_LOCKFUNC, &ProcessShare::lock) == CURLSHE_OK;
    ok = ok &&
         curl_share_setopt(share.get(), CURLSHOPT_UNLOCKFUNC, &ProcessShare::unlock) == CURLSHE_OK;
    ok = ok && curl_share_setopt(share.get(), CURLSHOPT_USERDATA, this) == CURLSHE_OK;
    for (curl_lock_data data : {CURL_LOCK_DATA_COOKIE, CURL_LOCK_DATA_DNS, CURL_LOCK_DATA_CONNECT,
                                CURL_LOCK_DATA_SSL_SESSION}) {
      ok = ok && curl_share_setopt(share.get(), CURLSHOPT_SHARE, data) == CURLSHE_OK;
    }
    if (ok) share_ = std::move(share);
  }

  ~ProcessShare() {
    share_.reset();  // closes the pooled connections
    if (global_ready_) curl_global_cleanup();
  }

  // The program has one thread, but tests run servers beside it and nothing stops a
  // later caller from using two, so every kind of shared data has its own lock.
  static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user) noexcept {
    auto* self = static_cast<ProcessShare*>(user);
    if (static_cast<std::size_t>(data) >= self->locks_.size()) return;
    try {
      self->locks_[static_cast<std::size_t>(data)].lock();
    } catch (...) {
      // Only a broken system gets here. Going on unlocked would corrupt the store, and
      // nothing may be thrown into curl: end the program.
      std::abort();
    }
  }
  static void unlock(CURL*, curl_lock_data data, void* user) noexcept {
    auto* self = static_cast<ProcessShare*>(user);
    if (static_cast<std::size_t>(data) >= self->locks_.size()) return;
    self->locks_[static_cast<std::size_t>(data)].unlock();
  }

  bool global_ready_ = false;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> locks_;  // outlives share_: declared first
  ShareHandle share_;
};

// Each exchange runs on a multi handle that lives as long as its thread: curl_easy_perform
// would build and tear down one for every fresh easy handle, a quarter of the time of a
// 100 KB loopback exchange. A multi handle serves one thread only, hence one per thread.
CURLM* thread_multi() {
  thread_local MultiHandle multi(curl_multi_init());
  return multi.get();
}

// Runs one transfer to its end, as curl_easy_perform does, and ends it early once neither
// direction has moved a byte for the stall limit. `received` counts the bytes the
// callbacks have taken so far.
void run_to_end(CURL* handle, std::chrono::milliseconds stall_limit,
                const std::uint64_t& received) {
  using Clock = std::chrono::steady_clock;
  CURLM* multi = thread_multi();
  if (!multi || curl_multi_add_handle(multi, handle) != CURLM_OK) {
    // curl's low-speed limit stands in for the stall watch: under 1 byte/s on average
    // over the limit, in whole seconds rounded up.
    const long stall_seconds = static_cast<long>((stall_limit.count() + 999) / 1000);
    (void)curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    (void)curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, stall_seconds);
    (void)curl_easy_perform(handle);
    return;
  }
  auto last_activity = Clock::now();
  std::uint64_t moved = 0;
  int running = 1;
  while (running) {
    if (curl_multi_perform(multi, &running) != CURLM_OK || !running) break;
    curl_off_t sent = 0;
    (void)curl_easy_getinfo(handle, CURLINFO_SIZE_UPLOAD_T, &sent);
    const std::uint64_t moved_now =
        received + static_cast<std::uint64_t>(std::max<curl_off_t>(sent, 0));
    const auto now = Clock::now();
    if (moved_now != moved) {
      moved = moved_now;
      last_activity = now;
    }
    const auto quiet = std::chrono::duration_cast<std::chrono::milliseconds>(now - last_activity);
    if (quiet >= stall_limit) break;
    // curl shortens the wait further to its own next deadline (the connect limit).
    const auto wait = std::min<std::chrono::milliseconds::rep>(1000, (stall_limit - quiet).count());
    if (curl_multi_poll(multi, nullptr, 0,
                        static_cast<int>(std::max<std::chrono::milliseconds::rep>(wait, 1)),
                        nullptr) != CURLM_OK)
      break;
  }
  // Removing an unfinished transfer ends it and closes its connection.
  (void)curl_multi_remove_handle(multi, handle);
}

// Host names reach curl inside a URL, where '@', '?', '#' or '%' would change its meaning
// and the request would go elsewhere. Such a host cannot be resolved, so it gets no request.
bool is_plain_host(std::string_view host) {
  if (host.empty()) return false;
  for (char c : host) {
    const bool fine = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '-' || c == '_';
    if (!fine) return false;
  }
  return true;
}

// A blank is no valid part of a request line; servers expect it escaped.
std::string escaped_path(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    if (c == ' ') {
      out += "%20";
    } else {
      out += c;
    }
  }
  return out;
}

// The agent travels in a header line of its own, so it must not break that line.
std::string single_line(std::string_view text) {
  return std::string(text.substr(0, text.find_first_of("\r\n")));
}

bool is_blank(std::string_view text) {
  return text.find_first_not_of(" \t") == std::string_view::npos;
}

// The block's lines as curl's header list, then the removals that keep curl from
// adding lines of its own. A line curl would read as "remove this header" (a name with
// an empty value) is given in curl's form for an empty header instead.
HeaderList header_list(std::string_view block) {
  HeaderList list;
  auto append = [&list](const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (!grown) return false;
    (void)list.release();
    list.reset(grown);
    return true;
  };
  while (!block.empty()) {
    const std::size_t end = block.find_first_of("\r\n");
    std::string_view line = block.substr(0, end);
    block = end == std::string_view::npos ? std::string_view{} : block.substr(end + 1);
    if (line.empty()) continue;
    std::string entry(line);
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos && colon > 0 && is_blank(line.substr(colon + 1))) {
      entry = std::string(line.substr(0, colon)) + ";";
    }
    if (!append(entry)) return {};
  }
  for (const char* removal : {"Accept:", "Expect:", "Content-Type:"}) {
    if (!append(removal)) return {};
  }
  return list;
}

}  // namespace

struct HttpExchange::State {
  EasyHandle handle;
  bool reachable = false;  // false: the target can name no server; nothing is sent
  std::chrono::milliseconds stall_limit{60000};
  int method = 0;
  std::string body;
  std::string header_block;
  std::uint64_t received = 0;  // bytes of headers and bodies, for the stall watch
  bool header_block_closed = false;
  // A HEAD request with a body goes out as a request with a body, which makes curl wait
  // for a response body that a HEAD response never has; the exchange ends after the
  // first final header block instead.
  bool end_after_headers = false;

  // One allocation for a body of announced length instead of a chain of doublings;
  // a huge announcement is not trusted beyond a cap.
  void reserve_announced_length() {
    constexpr curl_off_t reserve_cap = 64 << 20;
    curl_off_t length = -1;
    if (curl_easy_getinfo(handle.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
        length > 0) {
      body.reserve(static_cast<std::size_t>(std::min(length, reserve_cap)));
    }
  }

  bool is_interim_block() const {
    // "HTTP/1.1 100 Continue": the status's first digit follows the first blank.
    const std::size_t blank = header_block.find(' ');
    return blank != std::string::npos && blank + 1 < header_block.size() &&
           header_block[blank + 1] == '1';
  }

  static std::size_t on_body(char* data, std::size_t size, std::size_t count, void* user) noexcept {
    const std::size_t n = size * count;
    auto* state = static_cast<State*>(user);
    try {
      state->received += n;
      if (state->body.empty()) state->reserve_announced_length();
      state->body.append(data, n);
      return n;
    } catch (...) {
      return 0;  // out of memory: curl ends the transfer, what arrived stays
    }
  }

  // Keeps only the latest response's block: a new status line (after a redirect or an
  // interim 1xx) starts it anew; trailer lines after the closing empty line are dropped.
  static std::size_t on_header(char* data, std::size_t size, std::size_t count,
                               void* user) noexcept {
    const std::size_t n = size * count;
    auto* state = static_cast<State*>(user);
    std::string_view line(data, n);
    state->received += n;
    try {
      if (line.starts_with("HTTP/")) {
        state->header_block.clear();
        state->header_block_closed = false;
      } else if (state->header_block_closed) {
        return n;
      }
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
      state->header_block.append(line);
      state->header_block.append("\r\n");
      if (line.empty()) {
        state->header_block_closed = true;
        if (state->end_after_headers && !state->is_interim_block()) return 0;
      }
      return n;
    } catch (...) {
      return 0;
    }
  }
};

HttpExchange::HttpExchange(const ExchangeTarget& target) : state_(std::make_unique<State>()) {
  CURLSH* share = ProcessShare::get();
  state_->handle.reset(curl_easy_init());
  CURL* handle = state_->handle.get();
  if (!handle) return;
  state_->method = target.method;
  state_->reachable = is_plain_host(target.host.view()) && target.port >= 0 && target.port <= 65535;

  std::string url = target.secure ? "https://" : "http://";
  url += target.host.str();
  if (target.port > 0) {
    url += ':';
    url += std::to_string(target.port);
  }
  url += escaped_path(target.path.view());

  std::string proxy = target.proxy.str();
  if (!proxy.empty() && proxy.find("://") == std::string::npos) proxy.insert(0, "http://");

  const WebSettings settings = web_settings();
  state_->stall_limit = std::max(settings.stall_limit, std::chrono::milliseconds(1));

  bool ok = true;
  auto set = [&](CURLoption option, auto value) {
    ok = ok && curl_easy_setopt(handle, option, value) == CURLE_OK;
  };
  if (share) set(CURLOPT_SHARE, share);
  set(CURLOPT_URL, url.c_str());
  set(CURLOPT_PROTOCOLS_STR, "http,https");
  set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  set(CURLOPT_PATH_AS_IS, 1L);
  set(CURLOPT_NOSIGNAL, 1L);
  set(CURLOPT_FOLLOWLOCATION, target.follow_redirects ? 1L : 0L);
  set(CURLOPT_MAXREDIRS, redirect_limit);
  set(CURLOPT_USERAGENT, single_line(target.agent.view()).c_str());
  // An empty proxy also keeps curl from taking one from the environment.
  set(CURLOPT_PROXY, proxy.c_str());
  set(CURLOPT_NOPROXY, "");
  set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  // The empty file name switches the cookie engine on without reading any file.
  if (target.shared_cookies) set(CURLOPT_COOKIEFILE, "");
  set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings.connect_limit.count()));
  set(CURLOPT_SSL_VERIFYPEER, 1L);
  set(CURLOPT_SSL_VERIFYHOST, 2L);
  if (!settings.ca_file.empty()) set(CURLOPT_CAINFO, settings.ca_file.c_str());
  set(CURLOPT_WRITEFUNCTION, &State::on_body);
  set(CURLOPT_WRITEDATA, state_.get());
  set(CURLOPT_HEADERFUNCTION, &State::on_header);
  set(CURLOPT_HEADERDATA, state_.get());
  switch (target.method) {
    case 0:
      set(CURLOPT_HTTPGET, 1L);
      break;
    case 1:
      set(CURLOPT_POST, 1L);
      break;
    case 2:
      // No response body is read; a request body changes that in send().
      set(CURLOPT_NOBODY, 1L);
      set(CURLOPT_CUSTOMREQUEST, "HEAD");
      break;
    default:
      set(CURLOPT_CUSTOMREQUEST, target.verb.c_str());
      break;
  }
  if (!ok) state_->handle.reset();
}

HttpExchange::~HttpExchange() = default;

bool HttpExchange::is_open() const { return state_->handle != nullptr; }

ExchangeResponse HttpExchange::send(const Text& header_block, const Bytes* body) {
  CURL* handle = state_->handle.get();
  if (!handle || !state_->reachable) return {};
  const HeaderList headers = header_list(header_block.view());
  if (!headers) return {};
  bool ok = curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get()) == CURLE_OK;
  // POST always carries its body, even an empty one (curl would read stdin otherwise);
  // the other verbs only a non-empty one.
  if (body && (state_->method == 1 || !body->empty())) {
    if (state_->method == 2) {
      state_->end_after_headers = true;
      ok = ok && curl_easy_setopt(handle, CURLOPT_NOBODY, 0L) == CURLE_OK;
    }
    ok = ok && curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                                static_cast<curl_off_t>(body->size())) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body->data()) == CURLE_OK;
  }
  if (!ok) return {};
  // Its result is not examined: a failed exchange gives whatever arrived.
  run_to_end(handle, state_->stall_limit, state_->received);

  ExchangeResponse response;
  response.body = Bytes(std::move(state_->body));
  response.header_block = Text(std::move(state_->header_block));
  state_->body.clear();
  state_->header_block.clear();
  return response;
}

void forget_shared_cookies() {
  CURLSH* share = ProcessShare::get();
  if (!share) return;
  EasyHandle handle(curl_easy_init());
  if (!handle) return;
  if (curl_easy_setopt(handle.get(), CURLOPT_SHARE, share) != CURLE_OK) return;
  (void)curl_easy_setopt(handle.get(), CURLOPT_COOKIELIST, "ALL");
}
