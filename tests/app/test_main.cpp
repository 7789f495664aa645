// The window tests need one QApplication for the whole program.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Listing the tests (ctest's discovery) needs no window system.
  std::unique_ptr<QApplication> application;
  if (!testing::GTEST_FLAG(list_tests)) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    application = std::make_unique<QApplication>(argc, argv);
  }
  return RUN_ALL_TESTS();
}
