#include "app/process_start.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

bool appears_soon(const std::filesystem::path& file) {
  for (int i = 0; i < 1000 && !std::filesystem::exists(file); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return std::filesystem::exists(file);
}

TEST(StartProgram, PassesEachArgumentAsItStandsWithoutAShell) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("app_test_spawn_" + std::to_string(getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  // A shell would split this at the blank and run what follows the semicolon.
  const std::filesystem::path odd = folder / "a b;touch injected&&$(x)";
  ASSERT_TRUE(start_program({"touch", odd.string()}));
  EXPECT_TRUE(appears_soon(odd));
  EXPECT_FALSE(std::filesystem::exists(folder / "a"));
  EXPECT_FALSE(std::filesystem::exists("injected"));
  std::filesystem::remove_all(folder);
}

TEST(StartProgram, ReportsAProgramThatCannotStart) {
  EXPECT_FALSE(start_program({}));
  EXPECT_FALSE(start_program({"no-such-program-for-the-app-test"}));
}

}  // namespace
