// The download job through the real window on the offscreen platform: a click on
// 按钮1, the real 500 ms waits, clicks during a wait, and the message boxes
// answered through the window's seam.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "comic_site.h"
#include "temporary_directory.h"
#include "text/codepage.h"

namespace fs = std::filesystem;

namespace {

// The real window; its message boxes are recorded instead of shown, and a test can
// act when a given log line appears (the job is then between two of its steps).
class JobTestWindow : public MainWindow {
 public:
  using MainWindow::MainWindow;

  bool message_box(const Text& text, const Text&, bool) override {
    boxes.push_back(local_to_utf8(text));
    if (while_box_open) while_box_open();
    return true;
  }

  void append_log(const Text& message) override {
    MainWindow::append_log(message);
    const std::string line = local_to_utf8(message);
    if (auto action = on_log.find(line); action != on_log.end()) action->second();
  }

  std::vector<std::string> boxes;
  std::function<void()> while_box_open;
  std::map<std::string, std::function<void()>> on_log;
};

// Something to do at the job's next wait: the window handles events only there.
void at_next_wait(std::function<void()> action) { QTimer::singleShot(0, action); }

class MainWindowJob : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(site.start());
    run_directory = temporary.path() / "run";
    fs::create_directory(run_directory);
    WindowSettings settings;
    settings.update_service_host = "127.0.0.1:9";  // no update service: the check ends at once
    settings.job = {Text(site.site_root()), Text(site.default_image_base()), run_directory};
    settings.open_page = [](const Text&) {};
    settings.end_program = [](int) {};
    window = std::make_unique<JobTestWindow>(settings);
    window->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->started_up(); }, 60000));
    window->boxes.clear();  // whatever the start-up showed
  }

  std::string log_box() const { return window->编辑框_信息框.toPlainText().toStdString(); }

  ComicSite site;
  TemporaryDirectory temporary;
  fs::path run_directory;
  std::unique_ptr<JobTestWindow> window;
};

TEST_F(MainWindowJob, StopClickedDuringAWait) {
  // The window opens on the sample address of the site it was built for.
  EXPECT_EQ(window->编辑框1.text().toStdString(), site.catalog_address("34058"));
  window->on_log["正在下载第1话的第2/4张图片..."] = [&] {
    at_next_wait([&] { QTest::mouseClick(&window->按钮2, Qt::LeftButton); });
  };
  QTest::mouseClick(&window->按钮1, Qt::LeftButton);  // returns when the job has ended

  EXPECT_EQ(window->boxes, std::vector<std::string>{"成功停止下载！"});
  EXPECT_EQ(window->按钮1.text().toStdString(), "开始采集下载");
  EXPECT_TRUE(window->按钮1.isEnabled());
  EXPECT_FALSE(window->按钮2.isEnabled());
  EXPECT_EQ(site.request_count(site.site_root() + "cool40001/3.html?s=7&d=0"), 1);
  EXPECT_EQ(site.request_count(site.image_address("40001", 3)), 0);
  EXPECT_TRUE(fs::exists(run_directory / "34058/第1话/2.jpg"));
  EXPECT_FALSE(fs::exists(run_directory / "34058/第1话/3.jpg"));
  EXPECT_FALSE(fs::exists(run_directory / "34058/第1话/点我快速查看.html"));
  EXPECT_NE(log_box().find("】正在下载第1话的第2/4张图片..."), std::string::npos);
}

TEST_F(MainWindowJob, CheckBoxClickedDuringAWaitHoldsTheJobWhileItsBoxIsOpen) {
  std::size_t requests_when_box_opened = 0;
  std::size_t requests_when_box_closed = 0;
  window->on_log["正在下载第2话风起的第1/3张图片..."] = [&] {
    at_next_wait([&] { QTest::keyClick(&window->选择框1, Qt::Key_Space); });
    window->while_box_open = [&] {
      if (requests_when_box_opened != 0) return;
      requests_when_box_opened = site.requests().size();
      QTest::qWait(800);  // longer than the wait: the job must not go on meanwhile
      requests_when_box_closed = site.requests().size();
    };
  };
  QTest::mouseClick(&window->按钮1, Qt::LeftButton);

  ASSERT_EQ(window->boxes.size(), 2u);
  EXPECT_EQ(window->boxes.back(), "下载完毕，请去程序目录查看下载！");
  EXPECT_FALSE(window->选择框1.isChecked());
  EXPECT_NE(requests_when_box_opened, 0u);
  EXPECT_EQ(requests_when_box_closed, requests_when_box_opened);
  // Read when each chapter ends: ticked for the first, unticked for the others.
  EXPECT_TRUE(fs::exists(run_directory / "34058/第1话/点我快速查看.html"));
  EXPECT_FALSE(fs::exists(run_directory / "34058/第2话风起/点我快速查看.html"));
  EXPECT_FALSE(fs::exists(run_directory / "34058/番外篇/点我快速查看.html"));
  EXPECT_EQ(fs::file_size(run_directory / "34058/番外篇/2.jpg"),
            site.image_bytes(site.decoded_path("40003", 2)).size());
  EXPECT_EQ(window->按钮1.text().toStdString(), "开始采集下载");
  EXPECT_TRUE(window->按钮1.isEnabled());
  EXPECT_TRUE(window->按钮2.isEnabled());  // the normal end does not touch it
}

TEST_F(MainWindowJob, ClosingTheWindowDuringAWaitEndsTheJob) {
  std::size_t requests_when_closed = 0;
  window->on_log["正在下载第1话的第2/4张图片..."] = [&] {
    at_next_wait([&] {
      requests_when_closed = site.requests().size();
      window->close();
    });
  };
  QTest::mouseClick(&window->按钮1, Qt::LeftButton);

  EXPECT_TRUE(window->closing());
  EXPECT_EQ(site.requests().size(), requests_when_closed);
  EXPECT_TRUE(window->boxes.empty());
  EXPECT_FALSE(fs::exists(run_directory / "34058/第1话/3.jpg"));
  EXPECT_FALSE(fs::exists(run_directory / "34058/第1话/点我快速查看.html"));
}

}  // namespace
