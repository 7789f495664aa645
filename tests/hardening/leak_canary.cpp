// Leaks on purpose. The suite's "no leak" means something only while LeakSanitizer
// really runs; a sandbox that forbids it (ptrace, a missing option) would silently
// turn every leak check off. ctest expects this program's leak report.
#include <cstdio>

int* volatile kept;

int main() {
  kept = new int[16];
  kept = nullptr;
  std::puts("leaked 64 bytes");
  return 0;
}
