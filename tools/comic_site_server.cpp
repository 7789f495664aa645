// The sample comic site as a program, for the demo: serves the site's comics on
// loopback until it is interrupted or terminated.
//
//   comic_site_server [site_port [default_image_port]]
//
// Ports left out (or 0) are chosen freely; the chosen ones are printed.
#include <signal.h>

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "comic_site.h"

namespace {

int port_argument(int argc, char** argv, int index) {
  if (index >= argc) return 0;
  char* end = nullptr;
  const long port = std::strtol(argv[index], &end, 10);
  if (end == argv[index] || *end != '\0' || port < 0 || port > 65535) {
    std::fprintf(stderr, "comic_site_server: not a port: %s\n", argv[index]);
    std::exit(2);
  }
  return static_cast<int>(port);
}

}  // namespace

int main(int argc, char** argv) {
  const int site_port = port_argument(argc, argv, 1);
  const int default_image_port = port_argument(argc, argv, 2);

  // The server threads inherit this mask, so the signals reach sigwait below only.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  // A GUI application on the offscreen platform gives the images their captions.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);

  ComicSite site;
  if (!site.start(site_port, default_image_port)) {
    std::fprintf(stderr, "comic_site_server: cannot listen on 127.0.0.1:%d and :%d\n", site_port,
                 default_image_port);
    return 1;
  }
  std::printf("comic site:           %s\n", site.site_root().c_str());
  std::printf("default image server: %s\n", site.default_image_base().c_str());
  std::printf("sample comic:         %s\n", site.catalog_address("34058").c_str());
  std::fflush(stdout);

  int received = 0;
  sigwait(&stop_signals, &received);
  site.stop();
  return 0;
}
