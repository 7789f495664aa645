// The real main window, with its message-box seam recording every box and
// answering it, and the launcher and exit seams recording what they were asked.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"

struct RecordedBox {
  Text text;
  Text title;
  bool ok_cancel = false;
};

struct RecordedCalls {
  std::vector<Text> opened_pages;
  std::vector<int> exit_codes;
  int clock_readings = 0;
};

// The hosts point at a loopback port where nothing listens unless a test says otherwise.
inline WindowSettings test_settings(RecordedCalls& calls, const std::string& update_host,
                                    ClockTime time = {0, 0, 5}) {
  WindowSettings settings;
  settings.update_service_host = Text(update_host);
  settings.job = {"http://127.0.0.1:9/", "http://127.0.0.1:9/dm0",
                  std::filesystem::temp_directory_path()};
  settings.clock = [&calls, time] {
    ++calls.clock_readings;
    return time;
  };
  settings.open_page = [&calls](const Text& url) { calls.opened_pages.push_back(url); };
  settings.end_program = [&calls](int code) { calls.exit_codes.push_back(code); };
  settings.start_job = [](JobWindow&, ScriptEngine&, const JobSettings&) {};
  return settings;
}

class RecordingWindow : public MainWindow {
 public:
  using MainWindow::MainWindow;

  bool message_box(const Text& text, const Text& title, bool ok_cancel) override {
    boxes.push_back({text, title, ok_cancel});
    return answer ? answer(boxes.back()) : true;
  }

  std::vector<RecordedBox> boxes;
  std::function<bool(const RecordedBox&)> answer;  // OK unless a test says otherwise
};
