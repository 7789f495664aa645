// The program's one window: the controls as laid out, the log, the message boxes,
// the small handlers and the start-up check.
#pragma once

#include <QCheckBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>

#include "app/log_line.h"
#include "app/update_check.h"
#include "download/download_job.h"
#include "download/job_window.h"
#include "script/script_engine.h"

struct WindowSettings {
  Text update_service_host;
  JobSettings job;  // job.site_root also gives the sample address in 编辑框1
  std::function<ClockTime()> clock = local_clock;
  std::function<void(const Text& url)> open_page;
  std::function<void(int exit_code)> end_program;
  // The start button's work; runs the download job unless a test gives another.
  std::function<void(JobWindow&, ScriptEngine&, const JobSettings&)> start_job = run_download_job;
};

// The build's hosts, xdg-open for the download page and an immediate exit.
WindowSettings default_window_settings();

class MainWindow : public QWidget, public JobWindow, public UpdateCheckWindow {
 public:
  explicit MainWindow(WindowSettings settings = default_window_settings());
  ~MainWindow() override;

  // Every message box of the program goes through here: no owner, no icon,
  // application-modal. True only when the user chose OK.
  bool message_box(const Text& text, const Text& title, bool ok_cancel) override;

  // JobWindow
  Text address_text() override;
  bool viewer_pages_ticked() override;
  bool stop_enabled() override;
  void set_stop_enabled(bool enabled) override;
  void set_start_caption(const Text& caption) override;
  void set_start_enabled(bool enabled) override;
  void append_log(const Text& message) override;
  void show_message(const Text& message) override;
  void wait(int milliseconds) override;
  bool closing() override;

  // UpdateCheckWindow
  Text version_text() override;
  void set_caption(const Text& caption) override;

  // True once the start-up work (the update check) has returned.
  bool started_up() const { return started_up_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void lay_out();
  void connect_handlers();
  void start_up();
  void run_job();

  WindowSettings settings_;
  bool start_up_queued_ = false;
  bool started_up_ = false;
  bool job_running_ = false;
  bool closing_ = false;
  QEventLoop* wait_loop_ = nullptr;  // the wait in progress, if any

 public:
  // The controls, named as laid out; each is also its Qt object name.
  QLabel 标签1{this};
  QLineEdit 编辑框1{this};
  QCheckBox 选择框1{this};
  QPushButton 按钮1{this};
  QPushButton 按钮2{this};
  QPlainTextEdit 编辑框_信息框{this};
  QLineEdit 编辑框_版本号{this};
  ScriptEngine 脚本组件1;  // runs the image path decoder; lives as long as the window
};
