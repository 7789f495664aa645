// A JobWindow without a screen: it records what the job does to it, in order, and
// counts the waits instead of sleeping through them. A test acts "during" a wait
// through on_wait (click the stop button, toggle the check box, close the window).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "download/job_window.h"
#include "text/codepage.h"
#include "text/primitives.h"

class PlainJobWindow : public JobWindow {
 public:
  explicit PlainJobWindow(Text catalog_address) : address(std::move(catalog_address)) {}

  Text address_text() override { return address; }
  bool viewer_pages_ticked() override { return ticked; }
  bool stop_enabled() override { return stop; }
  void set_stop_enabled(bool enabled) override {
    stop = enabled;
    events.push_back(enabled ? "stop enabled" : "stop disabled");
  }
  void set_start_caption(const Text& new_caption) override {
    caption = new_caption;
    events.push_back("caption " + local_to_utf8(new_caption));
  }
  void set_start_enabled(bool enabled) override {
    start = enabled;
    events.push_back(enabled ? "start enabled" : "start disabled");
  }
  void append_log(const Text& message) override {
    log.push_back(local_to_utf8(message));
    events.push_back("log " + log.back());
  }
  void show_message(const Text& message) override {
    messages.push_back(local_to_utf8(message));
    events.push_back("message " + messages.back());
  }
  void wait(int milliseconds) override {
    ++waits;
    wait_lengths.push_back(milliseconds);
    if (on_wait) on_wait(waits);
  }
  bool closing() override { return closed; }

  // The window's state; the start-up values of the real window.
  Text address;
  bool ticked = true;
  bool stop = false;
  bool start = true;
  Text caption = utf8_view_to_local("开始采集下载");
  bool closed = false;

  // What the job did, in UTF-8 for readable failures.
  std::vector<std::string> log;
  std::vector<std::string> messages;
  std::vector<std::string> events;
  int waits = 0;
  std::vector<int> wait_lengths;
  std::function<void(int wait_number)> on_wait;
};
