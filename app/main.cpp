// The program: the main window, until the user closes it.
#include <QApplication>

#include "app/main_window.h"
#include "app/qt_translations.h"

int main(int, char** argv) {
  // The program reads no command line: Qt sees the program name alone.
  int qt_argc = 1;
  char* qt_argv[] = {argv[0], nullptr};
  QApplication application(qt_argc, qt_argv);
  load_qt_translations(application, QLocale::system());

  MainWindow window;
  window.show();
  return QApplication::exec();
}
