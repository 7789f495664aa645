#include "capture_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace {

// The byte count a request head announces, 0 when it announces none.
std::size_t content_length(const std::string& head) {
  std::string lowered = head;
  std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const std::string name = "\r\ncontent-length:";
  const std::size_t at = lowered.find(name);
  if (at == std::string::npos) return 0;
  return std::stoul(lowered.substr(at + name.size()));
}

void send_all(int socket, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

}  // namespace

CaptureServer::CaptureServer(Responder responder) : responder_(std::move(responder)) {
  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (listener_ < 0) throw std::runtime_error("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listener_, 16) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(listener_);
    throw std::runtime_error("bind");
  }
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { accept_loop(); });
}

CaptureServer::~CaptureServer() {
  stopping_ = true;
  acceptor_.join();
  for (std::thread& worker : workers_) worker.join();
  ::close(listener_);
}

std::vector<std::string> CaptureServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

CaptureServer::Reply CaptureServer::ok(const std::string& body) {
  return {"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body};
}

bool CaptureServer::wait_readable(int socket) const {
  pollfd entry{socket, POLLIN, 0};
  while (!stopping_) {
    if (::poll(&entry, 1, 20) > 0) return true;
  }
  return false;
}

void CaptureServer::accept_loop() {
  while (wait_readable(listener_)) {
    const int socket = ::accept(listener_, nullptr, nullptr);
    if (socket < 0) continue;
    ++connections_;
    workers_.emplace_back([this, socket] { serve(socket); });
  }
}

void CaptureServer::serve(int socket) {
  std::string pending;
  char buffer[65536];
  bool open = true;
  while (open && wait_readable(socket)) {
    const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    pending.append(buffer, static_cast<std::size_t>(n));
    for (;;) {
      const std::size_t head_end = pending.find("\r\n\r\n");
      if (head_end == std::string::npos) break;
      const std::size_t total = head_end + 4 + content_length(pending.substr(0, head_end + 2));
      if (pending.size() < total) break;
      const std::string request = pending.substr(0, total);
      pending.erase(0, total);
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
      }
      const Reply reply = responder_(request);
      send_all(socket, reply.bytes);
      if (reply.after == After::close) {
        open = false;
        break;
      }
      if (reply.after == After::stall) {
        while (!stopping_) ::poll(nullptr, 0, 20);
        open = false;
        break;
      }
    }
  }
  ::close(socket);
}
