// Draws the main window as the user first sees it into a PNG file, for the README.
// Run on the offscreen platform: window_screenshot <file.png>
#include <QApplication>
#include <QPixmap>
#include <QTest>
#include <cstdio>

#include "app/main_window.h"
#include "app/qt_translations.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: window_screenshot <file.png>\n");
    return 2;
  }
  int qt_argc = 1;
  char* qt_argv[] = {argv[0], nullptr};
  QApplication application(qt_argc, qt_argv);
  load_qt_translations(application, QLocale::system());

  MainWindow window;
  window.show();
  // The start-up check runs after the first paint; its caption is then in place.
  if (!QTest::qWaitFor([&] { return window.started_up(); }, 60000)) return 1;
  if (!window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "window_screenshot: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
