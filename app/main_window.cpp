#include "app/main_window.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTextCursor>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/process_start.h"
#include "app/window_text.h"
#include "text/literal.h"

namespace {

// Outer size of the window, frame included.
constexpr int kOuterWidth = 941;
constexpr int kOuterHeight = 547;

// Each control's object name is its member name, so tests and the layout agree.
#define NAME_AFTER_MEMBER(member) member.setObjectName(QString::fromUtf8(#member))

void set_colours(QWidget& widget, Qt::GlobalColor text, Qt::GlobalColor background) {
  QPalette palette = widget.palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Text, text);
    palette.setColor(group, QPalette::Base, background);
  }
  widget.setPalette(palette);
}

}  // namespace

WindowSettings default_window_settings() {
  WindowSettings settings;
  settings.update_service_host = UPDATE_SERVICE_HOST;
  settings.job = default_job_settings();
  settings.open_page = [](const Text& url) { open_address(url); };
  settings.end_program = [](int exit_code) {
    // At once: no handler of the window runs any more.
    std::fflush(nullptr);
    std::_Exit(exit_code);
  };
  return settings;
}

MainWindow::MainWindow(WindowSettings settings) : settings_(std::move(settings)) {
  lay_out();
  connect_handlers();
}

MainWindow::~MainWindow() = default;

void MainWindow::lay_out() {
  // A fixed frame: title bar, system menu, minimise and close, no maximise.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(to_qstring("Tobimar漫画离线下载器墨舟书社专版"_gbk));
  // Without a frame the client area is the whole window; once the window manager
  // has framed the window, start_up() shrinks the client area to keep this outer size.
  setFixedSize(kOuterWidth, kOuterHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - kOuterWidth) / 2,
         area.y() + (area.height() - kOuterHeight) / 2);
  }

  NAME_AFTER_MEMBER(标签1);
  标签1.setGeometry(48, 22, 80, 40);
  标签1.setText(to_qstring("漫画目录地址："_gbk));
  标签1.setAlignment(Qt::AlignLeft | Qt::AlignTop);
  标签1.setWordWrap(true);
  标签1.setFocusPolicy(Qt::NoFocus);

  NAME_AFTER_MEMBER(编辑框1);
  编辑框1.setGeometry(176, 26, 376, 32);
  编辑框1.setText(to_qstring(settings_.job.site_root + "manhua/34058.html"));
  编辑框1.setCursorPosition(0);
  set_colours(编辑框1, Qt::black, Qt::white);

  NAME_AFTER_MEMBER(选择框1);
  选择框1.setGeometry(584, 36, 152, 16);
  选择框1.setText(to_qstring("生成便于浏览的网页版本"_gbk));
  选择框1.setChecked(true);

  NAME_AFTER_MEMBER(按钮1);
  按钮1.setGeometry(742, 31, 91, 24);
  按钮1.setText(to_qstring("开始采集下载"_gbk));

  NAME_AFTER_MEMBER(按钮2);
  按钮2.setGeometry(840, 31, 72, 24);
  按钮2.setText(to_qstring("停止下载"_gbk));
  按钮2.setEnabled(false);

  NAME_AFTER_MEMBER(编辑框_信息框);
  编辑框_信息框.setGeometry(48, 80, 840, 416);
  编辑框_信息框.setFrameStyle(QFrame::Box | QFrame::Plain);
  编辑框_信息框.setLineWidth(1);
  编辑框_信息框.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  编辑框_信息框.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  编辑框_信息框.setLineWrapMode(QPlainTextEdit::WidgetWidth);
  编辑框_信息框.setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  编辑框_信息框.setTabChangesFocus(true);
  set_colours(编辑框_信息框, Qt::white, Qt::black);
  QFont log_font(to_qstring("微软雅黑"_gbk));  // fontconfig falls back to the CJK font
  log_font.setPixelSize(12);
  log_font.setWeight(QFont::Normal);
  编辑框_信息框.setFont(log_font);

  NAME_AFTER_MEMBER(编辑框_版本号);
  编辑框_版本号.setGeometry(16, 496, 120, 24);
  编辑框_版本号.setText(QStringLiteral("20181106"));
  set_colours(编辑框_版本号, Qt::black, Qt::white);
  编辑框_版本号.hide();

  setTabOrder(&编辑框1, &选择框1);
  setTabOrder(&选择框1, &按钮1);
  setTabOrder(&按钮1, &按钮2);
  setTabOrder(&按钮2, &编辑框_信息框);
  setTabOrder(&编辑框_信息框, &编辑框_版本号);
}

void MainWindow::connect_handlers() {
  QObject::connect(&按钮1, &QPushButton::clicked, this, [this] { run_job(); });
  QObject::connect(&按钮2, &QPushButton::clicked, this, [this] { 按钮2.setEnabled(false); });
  // The box has toggled itself when clicked fires.
  QObject::connect(&选择框1, &QCheckBox::clicked, this,
                   [this] { show_message("选择此功能会在图片目录生成一个HTML方便查看图片"_gbk); });
}

void MainWindow::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  // The check runs once the user can see the window: after its first paint has been shown.
  if (!start_up_queued_) {
    start_up_queued_ = true;
    QTimer::singleShot(0, this, [this] { start_up(); });
  }
}

void MainWindow::start_up() {
  // The window manager's frame is known now: keep the outer size, centred.
  const QRect outer = frameGeometry();
  const QRect client = geometry();
  const int frame_width = outer.width() - client.width();
  const int frame_height = outer.height() - client.height();
  if ((frame_width > 0 || frame_height > 0) &&
      (outer.width() != kOuterWidth || outer.height() != kOuterHeight)) {
    setFixedSize(kOuterWidth - frame_width, kOuterHeight - frame_height);
    if (const QScreen* window_screen = screen()) {
      const QRect area = window_screen->availableGeometry();
      move(area.x() + (area.width() - kOuterWidth) / 2,
           area.y() + (area.height() - kOuterHeight) / 2);
    }
  }

  update_check(*this, {settings_.update_service_host, settings_.open_page, settings_.end_program});
  started_up_ = true;
}

void MainWindow::run_job() {
  if (job_running_ || !settings_.start_job) return;
  job_running_ = true;
  settings_.start_job(*this, 脚本组件1, settings_.job);
  job_running_ = false;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Closing ends the program. A running job sees closing() at its next check and
  // ends; a wait in progress returns at once so that it can.
  closing_ = true;
  if (wait_loop_) wait_loop_->quit();
  event->accept();
}

bool MainWindow::message_box(const Text& text, const Text& title, bool ok_cancel) {
  QMessageBox box;  // no owner window
  box.setIcon(QMessageBox::NoIcon);
  box.setWindowModality(Qt::ApplicationModal);
  box.setWindowTitle(to_qstring(title.empty() ? "信息："_gbk : title));
  box.setTextFormat(Qt::PlainText);  // network text is never taken for markup
  box.setText(to_display(text));
  if (ok_cancel) {
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setEscapeButton(QMessageBox::Cancel);  // closing the box counts as Cancel
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok;
}

Text MainWindow::address_text() { return to_text(编辑框1.text()); }

bool MainWindow::viewer_pages_ticked() { return 选择框1.isChecked(); }

bool MainWindow::stop_enabled() { return 按钮2.isEnabled(); }

void MainWindow::set_stop_enabled(bool enabled) { 按钮2.setEnabled(enabled); }

void MainWindow::set_start_caption(const Text& caption) { 按钮1.setText(to_qstring(caption)); }

void MainWindow::set_start_enabled(bool enabled) { 按钮1.setEnabled(enabled); }

void MainWindow::append_log(const Text& message) {
  const Text line = log_line(message, settings_.clock());
  // Caret to the end, into view, insert there: cheap however long the log is.
  编辑框_信息框.moveCursor(QTextCursor::End);
  编辑框_信息框.ensureCursorVisible();
  编辑框_信息框.insertPlainText(to_display(line));
  编辑框_信息框.ensureCursorVisible();
}

void MainWindow::show_message(const Text& message) {
  if (closing_) return;  // the window is gone; nobody is there to answer
  message_box(message, "信息："_gbk, false);
}

void MainWindow::wait(int milliseconds) {
  if (closing_) return;
  // Sleeps in the event loop until the deadline; a message box opened meanwhile
  // runs its own loop inside this one, so the wait cannot end before it closes.
  QEventLoop loop;
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.setTimerType(Qt::PreciseTimer);
  QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
  deadline.start(milliseconds > 0 ? milliseconds : 0);
  QEventLoop* outer_wait = std::exchange(wait_loop_, &loop);
  loop.exec();
  wait_loop_ = outer_wait;
}

bool MainWindow::closing() { return closing_; }

Text MainWindow::version_text() { return to_text(编辑框_版本号.text()); }

void MainWindow::set_caption(const Text& caption) { setWindowTitle(to_qstring(caption)); }
