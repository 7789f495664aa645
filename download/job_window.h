// What the download job reads and writes of the window, and nothing more.
// The Qt window implements it; tests may give a plain implementation.
#pragma once

#include "text/text.h"

class JobWindow {
 public:
  virtual ~JobWindow() = default;

  virtual Text address_text() = 0;         // 编辑框1
  virtual bool viewer_pages_ticked() = 0;  // 选择框1
  virtual bool stop_enabled() = 0;         // 按钮2
  virtual void set_stop_enabled(bool enabled) = 0;
  virtual void set_start_caption(const Text& caption) = 0;  // 按钮1
  virtual void set_start_enabled(bool enabled) = 0;
  virtual void append_log(const Text& message) = 0;
  virtual void show_message(const Text& message) = 0;  // "信息：", OK alone; returns when closed
  // Lets the window handle its pending events until `milliseconds` have passed,
  // without keeping the processor busy.
  virtual void wait(int milliseconds) = 0;
  // True once the user has closed the window; the job then ends at its next check.
  virtual bool closing() = 0;
};
