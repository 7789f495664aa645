#include "app/process_start.h"

#include <spawn.h>
#include <sys/types.h>

#include "text/codepage.h"

extern char** environ;

bool start_program(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return false;
  std::vector<std::string> copies = arguments;  // posix_spawnp wants non-const strings
  std::vector<char*> argv;
  argv.reserve(copies.size() + 1);
  for (std::string& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  return posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) == 0;
}

bool open_address(const Text& address) {
  return start_program({"xdg-open", local_to_utf8(address)});
}
