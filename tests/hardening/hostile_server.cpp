#include "tests/hardening/hostile_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

HostileServer::HostileServer(Behaviour behaviour) : behaviour_(std::move(behaviour)) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof addr;
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listener_, 16) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
    return;
  }
  port_ = ntohs(addr.sin_port);
  acceptor_ = std::thread([this] { accept_loop(); });
}

HostileServer::~HostileServer() {
  stopping_ = true;
  if (listener_ >= 0) ::shutdown(listener_, SHUT_RDWR);
  if (acceptor_.joinable()) acceptor_.join();
  for (std::thread& worker : workers_) worker.join();
  if (listener_ >= 0) ::close(listener_);
}

std::string HostileServer::address(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

bool HostileServer::send_all(int socket, std::string_view bytes) const {
  while (!bytes.empty()) {
    if (stopping_) return false;
    pollfd p{socket, POLLOUT, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    const ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void HostileServer::accept_loop() {
  while (!stopping_) {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket < 0) continue;
    workers_.emplace_back([this, socket] { serve(socket); });
  }
}

void HostileServer::serve(int socket) {
  std::string pending;
  for (bool more = true; more && !stopping_;) {
    std::size_t end;
    while ((end = pending.find("\r\n\r\n")) == std::string::npos && !stopping_) {
      pollfd p{socket, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char buffer[4096];
      const ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
      if (got <= 0) {
        ::close(socket);
        return;
      }
      pending.append(buffer, static_cast<std::size_t>(got));
    }
    if (stopping_) break;
    const std::string head = pending.substr(0, end + 4);
    pending.erase(0, end + 4);
    ++requests_;
    more = behaviour_(socket, head);
  }
  ::close(socket);
}
