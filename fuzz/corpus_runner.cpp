// Without libFuzzer a fuzz target becomes a regression runner: it feeds each file it
// is given, and every file of each folder it is given, to the target once (so a
// crash input from scripts/fuzz replays here as it does under libFuzzer).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void run_file(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(file)), {});
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t inputs = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path given(argv[i]);
    if (std::filesystem::is_regular_file(given)) {
      run_file(given);
      ++inputs;
      continue;
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(given)) {
      if (!entry.is_regular_file()) continue;
      run_file(entry.path());
      ++inputs;
    }
  }
  std::cout << inputs << " inputs passed\n";
  return inputs > 0 ? 0 : 1;
}
