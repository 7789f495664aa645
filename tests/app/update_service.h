// A loopback update service for the tests: answers every request with one body
// and keeps the request targets it saw.
#pragma once

#include <httplib.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

class UpdateService {
 public:
  explicit UpdateService(std::string body) : body_(std::move(body)) {
    server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
      std::lock_guard lock(mutex_);
      targets_.push_back(request.target);
      response.set_content(body_, "application/json");
    });
    // One request per connection, so that stopping never waits out a kept-alive one.
    server_.set_keep_alive_max_count(1);
    port_ = server_.bind_to_any_port("127.0.0.1");
    // bind_to_any_port already listens, so requests queue until the loop runs.
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~UpdateService() {
    server_.stop();
    thread_.join();
  }
  UpdateService(const UpdateService&) = delete;
  UpdateService& operator=(const UpdateService&) = delete;

  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
  std::vector<std::string> targets() {
    std::lock_guard lock(mutex_);
    return targets_;
  }

 private:
  httplib::Server server_;
  std::string body_;
  std::mutex mutex_;
  std::vector<std::string> targets_;
  int port_ = 0;
  std::thread thread_;
};
