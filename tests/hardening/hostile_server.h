// A loopback server on plain sockets whose every connection is handed to a
// behaviour once the request head has arrived: for servers that misbehave in ways
// a real HTTP server never would (endless headers, garbage, resets, huge bodies).
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class HostileServer {
 public:
  // Gets the connected socket and the request head; returns true to read the next
  // request on the same connection, false to close it.
  using Behaviour = std::function<bool(int socket, const std::string& request_head)>;

  explicit HostileServer(Behaviour behaviour);
  ~HostileServer();
  HostileServer(const HostileServer&) = delete;
  HostileServer& operator=(const HostileServer&) = delete;

  int port() const { return port_; }
  std::string address(const std::string& path = "/") const;
  int requests() const { return requests_; }

  // Writes all of `bytes`; false once the peer has gone or the server is stopping.
  bool send_all(int socket, std::string_view bytes) const;
  bool stopping() const { return stopping_; }

 private:
  void accept_loop();
  void serve(int socket);

  Behaviour behaviour_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> requests_{0};
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};
