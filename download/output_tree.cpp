#include "download/output_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <system_error>

#include "text/codepage.h"

namespace fs = std::filesystem;

fs::path native_path(const Text& local_path) {
  std::string utf8 = local_to_utf8(local_path);
  for (char& c : utf8) {
    if (c == '\\') c = '/';
  }
  return fs::path(utf8);
}

namespace {

// True for the first byte of a UTF-8 sequence (not a continuation byte).
bool starts_character(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

}  // namespace

fs::path safe_name(const Text& local_name) {
  std::string utf8 = local_to_utf8(local_name);
  for (char& c : utf8) {
    if (c == '/' || c == '\\') c = '_';
  }
  if (utf8 == ".") utf8 = "_";
  if (utf8 == "..") utf8 = "__";
  if (utf8.size() > kMaxNameBytes) {
    std::size_t cut = kMaxNameBytes;
    while (cut > 0 && !starts_character(utf8[cut])) --cut;
    utf8.resize(cut);
  }
  return fs::path(utf8);
}

bool make_directory(const fs::path& directory) {
  if (::mkdir(directory.c_str(), 0777) == 0) return true;
  if (errno != EEXIST) return false;
  struct stat status {};
  return ::stat(directory.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

namespace {

// A file descriptor that is closed on every path.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

std::atomic<unsigned> temporary_counter{0};

}  // namespace

bool write_whole_file(const fs::path& file, std::string_view bytes) {
  // The temporary name does not grow with the final name, so that a final name of
  // the longest allowed length still has room for it.
  fs::path temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = file.parent_path() / (".part-" + std::to_string(::getpid()) + "-" +
                                      std::to_string(temporary_counter.fetch_add(1)));
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  Descriptor descriptor(fd);
  const bool written = write_all(descriptor.get(), bytes);
  const bool closed = descriptor.close();
  if (!written || !closed || ::rename(temporary.c_str(), file.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

fs::path executable_directory() {
  std::error_code error;
  const fs::path executable = fs::read_symlink("/proc/self/exe", error);
  if (error) return fs::current_path(error);
  return executable.parent_path();
}

Text path_text(const fs::path& path) { return utf8_view_to_local(path.native()); }
