// A loopback HTTP server on plain sockets that records every request byte for byte and
// answers with whatever bytes a test gives it: for checking what goes on the wire, and for
// servers that misbehave (close mid-body, stall) in ways a full HTTP server will not.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CaptureServer {
 public:
  // What the connection does after the reply's bytes are sent.
  enum class After { keep_open, close, stall };
  struct Reply {
    std::string bytes;
    After after = After::keep_open;
  };
  // Called with one whole request (head and body); runs on a server thread.
  using Responder = std::function<Reply(const std::string& request)>;

  explicit CaptureServer(Responder responder);
  ~CaptureServer();
  CaptureServer(const CaptureServer&) = delete;
  CaptureServer& operator=(const CaptureServer&) = delete;

  int port() const { return port_; }
  std::vector<std::string> requests() const;
  int connections() const { return connections_; }

  // A reply of status 200 with this body and a Content-Length.
  static Reply ok(const std::string& body);

 private:
  void accept_loop();
  void serve(int socket);
  bool wait_readable(int socket) const;

  Responder responder_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};
