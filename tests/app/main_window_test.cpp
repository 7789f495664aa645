// The real window on the offscreen platform: layout, handlers, log, message boxes,
// the job's window interface and closing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <string>
#include <vector>

#include "app/qt_translations.h"
#include "app/window_text.h"
#include "recording_window.h"
#include "text/literal.h"
#include "text/primitives.h"

namespace {

const std::string kNoService = "127.0.0.1:9";

struct ControlRow {
  const char* name;  // object name, UTF-8
  const char* kind;
  QRect geometry;
  const char* text;  // UTF-8
  bool visible;
  bool enabled;
  int checked;  // -1: not a check box
};

QString utf8(const char* s) { return QString::fromUtf8(s); }

class MainWindowTest : public testing::Test {
 protected:
  RecordedCalls calls;
  RecordingWindow window{test_settings(calls, kNoService)};

  void show_and_start() {
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.started_up(); }, 60000));
  }
};

TEST_F(MainWindowTest, ControlsStandAsLaidOut) {
  show_and_start();
  const std::vector<ControlRow> rows = {
      {"标签1", "QLabel", {48, 22, 80, 40}, "漫画目录地址：", true, true, -1},
      {"编辑框1",
       "QLineEdit",
       {176, 26, 376, 32},
       "http://127.0.0.1:9/manhua/34058.html",
       true,
       true,
       -1},
      {"选择框1", "QCheckBox", {584, 36, 152, 16}, "生成便于浏览的网页版本", true, true, 1},
      {"按钮1", "QPushButton", {742, 31, 91, 24}, "开始采集下载", true, true, -1},
      {"按钮2", "QPushButton", {840, 31, 72, 24}, "停止下载", true, false, -1},
      {"编辑框_信息框", "QPlainTextEdit", {48, 80, 840, 416}, "", true, true, -1},
      {"编辑框_版本号", "QLineEdit", {16, 496, 120, 24}, "20181106", false, true, -1},
  };
  for (const ControlRow& row : rows) {
    SCOPED_TRACE(row.name);
    auto* control = window.findChild<QWidget*>(utf8(row.name));
    ASSERT_NE(control, nullptr);
    EXPECT_STREQ(control->metaObject()->className(), row.kind);
    EXPECT_EQ(control->parentWidget(), &window);
    EXPECT_EQ(control->geometry(), row.geometry);
    EXPECT_EQ(control->isVisible(), row.visible);
    EXPECT_EQ(control->isEnabled(), row.enabled);
    QString text;
    if (auto* label = qobject_cast<QLabel*>(control)) text = label->text();
    if (auto* line = qobject_cast<QLineEdit*>(control)) text = line->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control)) text = button->text();
    if (auto* log = qobject_cast<QPlainTextEdit*>(control)) text = log->toPlainText();
    EXPECT_EQ(text, utf8(row.text));
    if (row.checked >= 0) {
      EXPECT_EQ(qobject_cast<QCheckBox*>(control)->isChecked(), row.checked == 1);
    }
  }
  // The script component is the window's engine, not a control.
  EXPECT_EQ(window.findChild<QWidget*>(utf8("脚本组件1")), nullptr);
  EXPECT_EQ(window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(),
            static_cast<qsizetype>(rows.size()));
}

TEST_F(MainWindowTest, FixedFrameCentredAtItsOuterSize) {
  EXPECT_EQ(to_text(window.windowTitle()), "Tobimar漫画离线下载器墨舟书社专版"_gbk);
  show_and_start();
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowTitleHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(window.minimumSize(), window.maximumSize());  // the user cannot resize it
  // The offscreen platform draws no frame, so the outer size is the client size.
  EXPECT_EQ(window.frameGeometry().size(), QSize(941, 547));
  const QRect screen = window.screen()->availableGeometry();
  // The offscreen screen is narrower than the window, and Qt nudges a window that
  // overhangs both sides; it is centred along the axis where it fits.
  ASSERT_GE(screen.height(), 547);
  EXPECT_EQ(window.frameGeometry().y(), screen.y() + (screen.height() - 547) / 2);
  if (screen.width() >= 941) {
    EXPECT_EQ(window.frameGeometry().x(), screen.x() + (screen.width() - 941) / 2);
  }
}

TEST_F(MainWindowTest, FocusFollowsTheLayoutAndSkipsTheLabel) {
  EXPECT_EQ(window.标签1.focusPolicy(), Qt::NoFocus);
  const std::vector<QWidget*> expected = {&window.编辑框1, &window.选择框1, &window.按钮1,
                                          &window.按钮2, &window.编辑框_信息框};
  for (QWidget* control : expected) EXPECT_TRUE(control->focusPolicy() & Qt::TabFocus);
  std::vector<QWidget*> chain;
  for (QWidget* w = window.编辑框1.nextInFocusChain(); w != &window.编辑框1;
       w = w->nextInFocusChain()) {
    if (w->focusPolicy() & Qt::TabFocus && w->isVisibleTo(&window)) chain.push_back(w);
  }
  chain.insert(chain.begin(), &window.编辑框1);
  EXPECT_EQ(chain, expected);
}

TEST_F(MainWindowTest, LogBoxLooksAndTypesAsLaidOut) {
  QPlainTextEdit& log = window.编辑框_信息框;
  EXPECT_EQ(log.palette().color(QPalette::Text), QColor(Qt::white));
  EXPECT_EQ(log.palette().color(QPalette::Base), QColor(Qt::black));
  EXPECT_EQ(log.font().family(), utf8("微软雅黑"));
  EXPECT_EQ(log.font().pixelSize(), 12);
  EXPECT_EQ(log.font().weight(), QFont::Normal);
  EXPECT_EQ(log.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(log.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(log.lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_FALSE(log.isReadOnly());
  for (QLineEdit* edit : {&window.编辑框1, &window.编辑框_版本号}) {
    EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(Qt::black));
    EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(Qt::white));
  }

  show_and_start();
  log.setFocus();
  QTest::keyClicks(&log, "ab");
  QTest::keyClick(&log, Qt::Key_Return);
  QTest::keyClicks(&log, "c");
  EXPECT_EQ(log.toPlainText(), "ab\nc");
}

TEST_F(MainWindowTest, CheckBoxTogglesThenShowsItsMessageOnEveryClick) {
  show_and_start();
  std::vector<bool> ticked_while_shown;
  window.answer = [&](const RecordedBox&) {
    ticked_while_shown.push_back(window.选择框1.isChecked());
    return true;
  };
  const QPoint box_edge(6, window.选择框1.height() / 2);  // the box, not the wide text area
  QTest::mouseClick(&window.选择框1, Qt::LeftButton, {}, box_edge);
  EXPECT_FALSE(window.选择框1.isChecked());
  QTest::mouseClick(&window.选择框1, Qt::LeftButton, {}, box_edge);
  EXPECT_TRUE(window.选择框1.isChecked());
  window.选择框1.setFocus();
  QTest::keyClick(&window.选择框1, Qt::Key_Space);
  EXPECT_FALSE(window.选择框1.isChecked());

  ASSERT_EQ(window.boxes.size(), 3u);
  for (const RecordedBox& box : window.boxes) {
    EXPECT_EQ(box.text, "选择此功能会在图片目录生成一个HTML方便查看图片"_gbk);
    EXPECT_EQ(box.title, "信息："_gbk);
    EXPECT_FALSE(box.ok_cancel);
  }
  EXPECT_EQ(ticked_while_shown, (std::vector<bool>{false, true, false}));
}

TEST_F(MainWindowTest, StopButtonStartsDisabledAndOnlyDisablesItself) {
  show_and_start();
  const QPoint centre = window.按钮2.rect().center();
  QTest::mouseClick(&window.按钮2, Qt::LeftButton, {}, centre);
  EXPECT_FALSE(window.按钮2.isEnabled());

  window.set_stop_enabled(true);
  window.set_start_caption("下载中。。。"_gbk);
  window.set_start_enabled(false);
  QTest::mouseClick(&window.按钮2, Qt::LeftButton, {}, centre);
  EXPECT_FALSE(window.stop_enabled());
  EXPECT_FALSE(window.按钮1.isEnabled());
  EXPECT_EQ(to_text(window.按钮1.text()), "下载中。。。"_gbk);
  EXPECT_TRUE(window.boxes.empty());
  EXPECT_TRUE(window.编辑框_信息框.toPlainText().isEmpty());
}

TEST_F(MainWindowTest, LogEntriesAreSeparatedByAnEmptyLineAndKeptInOrder) {
  window.append_log("漫画名：A"_gbk);
  window.append_log("B"_gbk);
  window.append_log(Text());
  EXPECT_EQ(window.编辑框_信息框.toPlainText(),
            utf8("【0:0:5】漫画名：A\n\n【0:0:5】B\n\n【0:0:5】\n\n"));
  EXPECT_EQ(calls.clock_readings, 3);  // one reading per entry
}

TEST_F(MainWindowTest, LogGoesAfterWhatTheUserTypedAndStaysInView) {
  show_and_start();
  QPlainTextEdit& log = window.编辑框_信息框;
  log.setFocus();
  QTest::keyClicks(&log, "note");
  log.moveCursor(QTextCursor::Start);  // the caret elsewhere does not matter
  for (int i = 0; i < 200; ++i) window.append_log(Text("entry ") + format_int(i));
  const QStringList lines = log.toPlainText().split('\n');
  EXPECT_EQ(lines.front(), utf8("note【0:0:5】entry 0"));
  EXPECT_EQ(lines[lines.size() - 3], utf8("【0:0:5】entry 199"));
  QScrollBar* scroll = log.verticalScrollBar();
  EXPECT_GT(scroll->maximum(), 0);
  EXPECT_EQ(scroll->value(), scroll->maximum());
}

TEST_F(MainWindowTest, JobWindowReadsAndWritesTheControls) {
  window.编辑框1.setText(utf8("http://站点/manhua/1.html"));
  EXPECT_EQ(window.address_text(), "http://站点/manhua/1.html"_gbk);
  EXPECT_TRUE(window.viewer_pages_ticked());
  window.选择框1.setChecked(false);
  EXPECT_FALSE(window.viewer_pages_ticked());
  EXPECT_FALSE(window.stop_enabled());
  window.set_stop_enabled(true);
  EXPECT_TRUE(window.按钮2.isEnabled());
  window.set_start_caption("开始采集下载"_gbk);
  EXPECT_EQ(window.按钮1.text(), utf8("开始采集下载"));
  window.show_message("地址为空！"_gbk);
  ASSERT_EQ(window.boxes.size(), 1u);
  EXPECT_EQ(window.boxes[0].text, "地址为空！"_gbk);
  EXPECT_EQ(window.boxes[0].title, "信息："_gbk);
  EXPECT_FALSE(window.boxes[0].ok_cancel);
}

TEST_F(MainWindowTest, WaitHandlesClicksUntilItsDeadline) {
  show_and_start();
  window.set_stop_enabled(true);
  QTimer::singleShot(0, &window, [&] {
    QTest::mouseClick(&window.按钮2, Qt::LeftButton, {}, window.按钮2.rect().center());
  });
  window.wait(100);
  EXPECT_FALSE(window.stop_enabled());
}

TEST_F(MainWindowTest, MessageBoxOpenedDuringWaitHoldsIt) {
  show_and_start();
  std::vector<std::string> events;
  window.answer = [&](const RecordedBox&) {
    events.push_back("box opened");
    QTest::qWait(300);  // the box stays open past the wait's deadline
    events.push_back("box closed");
    return true;
  };
  QTimer::singleShot(0, &window, [&] { window.选择框1.click(); });
  window.wait(20);
  events.push_back("wait returned");
  EXPECT_EQ(events, (std::vector<std::string>{"box opened", "box closed", "wait returned"}));
}

TEST_F(MainWindowTest, StartButtonRunsTheJobWithTheWindowEngineAndSettings) {
  RecordedCalls job_calls;
  WindowSettings settings = test_settings(job_calls, kNoService);
  settings.job.site_root = "http://127.0.0.1:1234/";
  int runs = 0;
  settings.start_job = [&](JobWindow& job_window, ScriptEngine&, const JobSettings& job) {
    ++runs;
    EXPECT_EQ(job.site_root, Text("http://127.0.0.1:1234/"));
    EXPECT_EQ(job_window.address_text(), Text("http://127.0.0.1:1234/manhua/34058.html"));
  };
  RecordingWindow job_window(std::move(settings));
  job_window.按钮1.click();
  EXPECT_EQ(runs, 1);
}

TEST_F(MainWindowTest, ClosingDuringAJobEndsItAndTheProgram) {
  RecordedCalls job_calls;
  WindowSettings settings = test_settings(job_calls, kNoService);
  int waits_after_close = 0;
  bool job_ended = false;
  settings.start_job = [&](JobWindow& job_window, ScriptEngine&, const JobSettings&) {
    while (!job_window.closing()) job_window.wait(60000);  // a wait the close cuts short
    job_window.wait(60000);                                // returns at once once closing
    ++waits_after_close;
    job_window.show_message("成功停止下载！"_gbk);  // nobody to show it to any more
    job_ended = true;
  };
  RecordingWindow job_window(std::move(settings));
  job_window.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return job_window.started_up(); }, 60000));

  QTimer::singleShot(0, &job_window, [&] { job_window.按钮1.click(); });
  QTimer::singleShot(50, &job_window, [&] { job_window.close(); });
  bool gave_up = false;
  QTimer::singleShot(60000, [&] {
    gave_up = true;
    QApplication::exit(1);
  });
  const int exit_code = QApplication::exec();  // returns once the handler has returned
  EXPECT_FALSE(gave_up);
  EXPECT_EQ(exit_code, 0);
  EXPECT_TRUE(job_ended);
  EXPECT_EQ(waits_after_close, 1);
  EXPECT_FALSE(job_window.isVisible());
  EXPECT_TRUE(job_window.boxes.empty());
}

// The program's own boxes: no owner, no icon, application-modal, plain text.
class RealMessageBoxTest : public MainWindowTest {
 protected:
  // Runs `handle` on the box once it is open, then returns the box's result.
  bool open_box(const Text& text, const Text& title, bool ok_cancel,
                const std::function<void(QMessageBox&)>& handle) {
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, handle] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        poll->stop();
        handle(*box);
        poll->deleteLater();
      }
    });
    poll->start(10);
    return window.MainWindow::message_box(text, title, ok_cancel);
  }
};

TEST_F(RealMessageBoxTest, OkAloneWithTheDefaultTitle) {
  const bool accepted = open_box("a\r\nb<b>c</b>"_gbk, Text(), false, [](QMessageBox& box) {
    EXPECT_EQ(box.parent(), nullptr);
    EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box.windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(box.windowTitle(), utf8("信息："));
    EXPECT_EQ(box.text(), utf8("a\nb<b>c</b>"));
    EXPECT_EQ(box.textFormat(), Qt::PlainText);
    EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
    box.button(QMessageBox::Ok)->click();
  });
  EXPECT_TRUE(accepted);
}

TEST_F(RealMessageBoxTest, OkAndCancelCountOnlyOkAsAcceptance) {
  const Text title = "更新提示"_gbk;
  auto check = [&](QMessageBox& box) {
    EXPECT_EQ(box.windowTitle(), utf8("更新提示"));
    EXPECT_EQ(box.standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
  };
  EXPECT_TRUE(open_box("x"_gbk, title, true, [&](QMessageBox& box) {
    check(box);
    box.button(QMessageBox::Ok)->click();
  }));
  EXPECT_FALSE(open_box("x"_gbk, title, true,
                        [&](QMessageBox& box) { box.button(QMessageBox::Cancel)->click(); }));
  EXPECT_FALSE(open_box("x"_gbk, title, true, [&](QMessageBox& box) { box.close(); }));
  EXPECT_FALSE(open_box("x"_gbk, title, true,
                        [&](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }));
}

TEST_F(RealMessageBoxTest, StandardButtonsSpeakTheUsersLanguage) {
  QTranslator* chinese = load_qt_translations(*QCoreApplication::instance(),
                                              QLocale(QLocale::Chinese, QLocale::China));
  ASSERT_NE(chinese, nullptr);
  open_box("x"_gbk, Text(), true, [](QMessageBox& box) {
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), utf8("确定"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), utf8("取消"));
    box.button(QMessageBox::Ok)->click();
  });
  delete chinese;  // uninstalls it
}

}  // namespace

namespace {

TEST(ProgramEnd, TheProgramsExitSeamEndsAtOnceWithTheCodeGiven) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(default_window_settings().end_program(0), testing::ExitedWithCode(0), "");
}

}  // namespace
