// The start-up update check, through the real window, against a loopback update service.
#include <gtest/gtest.h>

#include <QTest>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/update_check.h"
#include "app/window_text.h"
#include "recording_window.h"
#include "text/literal.h"
#include "update_service.h"

namespace {

const Text& caption_with_form_version() {
  return "Tobimar漫画离线下载器墨舟书社专版 （Ver:20181106）"_gbk;
}

// The service replies in code page 936, as the real one does.
std::string reply(const Text& json) { return json.str(); }

class UpdateCheckTest : public testing::Test {
 protected:
  RecordedCalls calls;
  std::unique_ptr<UpdateService> service;
  std::unique_ptr<RecordingWindow> window;

  // Starts the service with `body` (none when `body` is null) and opens the window on it.
  void start(const std::string* body, const QString& version_text = QString(),
             std::function<bool(const RecordedBox&)> answer = nullptr) {
    std::string host = "127.0.0.1:9";  // nothing listens there
    if (body) {
      service = std::make_unique<UpdateService>(*body);
      host = service->host();
    }
    window = std::make_unique<RecordingWindow>(test_settings(calls, host));
    window->answer = std::move(answer);
    if (!version_text.isNull()) window->编辑框_版本号.setText(version_text);
    window->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->started_up(); }, 60000));
  }
  void start(const std::string& body, std::function<bool(const RecordedBox&)> answer = nullptr) {
    start(&body, QString(), std::move(answer));
  }

  bool update_box_shown() const {
    for (const RecordedBox& box : window->boxes) {
      if (box.title == "更新提示"_gbk) return true;
    }
    return false;
  }
};

TEST_F(UpdateCheckTest, CaptionCarriesTheVersionWithOrWithoutAService) {
  start(nullptr);
  EXPECT_EQ(to_text(window->windowTitle()), caption_with_form_version());
  EXPECT_TRUE(window->boxes.empty());

  start(std::string(R"({"ver":1})"));
  EXPECT_EQ(to_text(window->windowTitle()), caption_with_form_version());
}

TEST_F(UpdateCheckTest, RequestCarriesTheVersionNumber) {
  start(std::string("{}"));
  EXPECT_EQ(service->targets(), std::vector<std::string>{"/soft/manhua.php?version=20181106"});
}

TEST_F(UpdateCheckTest, VersionTextIsReadLikeAtoiAfterFullWidthFolding) {
  struct Case {
    const char* version_text;  // UTF-8, as typed into the box
    const char* query;
    bool update_shown;  // against ver 20181107
  };
  const std::vector<Case> cases = {
      {"２０１８１１０７", "/soft/manhua.php?version=20181107", false},
      {"  20181106abc", "/soft/manhua.php?version=20181106", true},
      {"abc", "/soft/manhua.php?version=0", true},
      {"-5", "/soft/manhua.php?version=-5", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version_text);
    const std::string body = R"({"ver":20181107,"url":"http://127.0.0.1/x"})";
    start(&body, QString::fromUtf8(c.version_text), [](const RecordedBox&) { return false; });
    EXPECT_EQ(service->targets(), std::vector<std::string>{c.query});
    EXPECT_EQ(update_box_shown(), c.update_shown);
    // The caption shows the text as it stands.
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Tobimar漫画离线下载器墨舟书社专版 （Ver:") +
                                         QString::fromUtf8(c.version_text) +
                                         QString::fromUtf8("）"));
  }
}

TEST_F(UpdateCheckTest, UnusableRepliesShowNothing) {
  const std::vector<std::string> bodies = {
      "", "{not json", "123", "\"a text\"", "[1,2]", "null", "{}", std::string("\0{}", 3),
  };
  for (const std::string& body : bodies) {
    SCOPED_TRACE(body);
    start(body);
    EXPECT_TRUE(window->boxes.empty());
    EXPECT_TRUE(calls.exit_codes.empty());
  }
  start(nullptr);
  EXPECT_TRUE(window->boxes.empty());
}

TEST_F(UpdateCheckTest, NoticeIsFormattedAndShownBeforeTheUpdateBox) {
  start(reply(R"({"notice":"最新版本2.0更新内容1.A2.B","ver":30000000})"_gbk));
  ASSERT_EQ(window->boxes.size(), 2u);
  EXPECT_EQ(window->boxes[0].text,
            "\r\n\r\n★当前版本：20181106\r\n★最新版本：\r\n☆0\r\n\r\n更新内容\r\n☆A\r\n☆B"_gbk);
  EXPECT_EQ(window->boxes[0].title, "友情提醒"_gbk);
  EXPECT_FALSE(window->boxes[0].ok_cancel);
  EXPECT_EQ(window->boxes[1].text, "软件已更新,请去墨舟下载!"_gbk);
  EXPECT_EQ(window->boxes[1].title, "更新提示"_gbk);
  EXPECT_TRUE(window->boxes[1].ok_cancel);
}

TEST_F(UpdateCheckTest, NoticeTextsAsTheyArrive) {
  struct Case {
    Text json;
    Text shown;
  };
  const std::vector<Case> cases = {
      {R"({"notice":"只是一条消息"})"_gbk, "只是一条消息"_gbk},  // no marker: unchanged
      {R"({"notice":"say \"hi\""})", R"(say \hi\)"},             // quotes go, backslashes stay
      {R"({"notice":"a\nb 3.5."})", Text(R"(a\nb )") + "\r\n☆\r\n☆"_gbk},  // JSON's \n stays
      {R"({"notice":"<b>x</b>"})", "<b>x</b>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json.str());
    start(reply(c.json));
    ASSERT_EQ(window->boxes.size(), 1u);
    EXPECT_EQ(window->boxes[0].text, c.shown);
  }
}

TEST_F(UpdateCheckTest, UpdateBoxOnlyForAGreaterVersion) {
  struct Case {
    const char* json;
    bool shown;
  };
  const std::vector<Case> cases = {
      {R"({"ver":20181106})", false},    {R"({"ver":20181106.9})", false},
      {R"({"ver":"20181106"})", false},  {R"({"ver":20181105})", false},
      {R"({"ver":20181107})", true},     {R"({"ver":"20181107"})", true},
      {R"({"ver":2.5e7})", true},         // 25000000
      {R"({"ver":2.0181106e7})", false},  // 20181106
      {R"({"ver":4315148403})", true},    // 2^32 + 20181107: the low 32 bits count
      {R"({"ver":4315148402})", false},   // 2^32 + 20181106
      {R"({"ver":"v2"})", false},        {R"({"ver":""})", false},
      {R"({"ver":null})", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    start(std::string(c.json), [](const RecordedBox&) { return false; });
    EXPECT_EQ(update_box_shown(), c.shown);
    EXPECT_EQ(window->boxes.size(), c.shown ? 1u : 0u);
  }
}

TEST_F(UpdateCheckTest, OkWithAWebAddressOpensItAndEndsTheProgram) {
  for (const char* url : {"http://127.0.0.1/download", "HTTPS://127.0.0.1/dl?a=1&b=2"}) {
    SCOPED_TRACE(url);
    calls = {};
    start(std::string(R"({"ver":20990101,"url":")") + url + "\"}");
    EXPECT_EQ(calls.opened_pages, std::vector<Text>{Text(url)});
    EXPECT_EQ(calls.exit_codes, std::vector<int>{0});
  }
}

TEST_F(UpdateCheckTest, EverythingElseLeavesTheProgramRunning) {
  struct Case {
    const char* json;
    bool ok;
  };
  const std::vector<Case> cases = {
      {R"({"ver":20990101,"url":"http://127.0.0.1/download"})", false},  // Cancel or closed
      {R"({"ver":20990101,"url":""})", true},
      {R"({"ver":20990101})", true},
      {R"({"ver":20990101,"url":"file:///etc/passwd"})", true},
      {R"({"ver":20990101,"url":"--help"})", true},
      {R"j({"ver":20990101,"url":"javascript:alert(1)"})j", true},
      {R"({"ver":20990101,"url":" http://127.0.0.1/"})", true},
      {R"({"ver":20990101,"url":"http:/127.0.0.1/"})", true},
      {R"({"ver":20181106,"url":"http://127.0.0.1/download"})", true},  // no update box
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    calls = {};
    start(std::string(c.json), [&](const RecordedBox&) { return c.ok; });
    EXPECT_TRUE(calls.opened_pages.empty());
    EXPECT_TRUE(calls.exit_codes.empty());
  }
}

TEST(VersionNumberOf, CutsTowardZeroAndKeepsTheLowSignedBits) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double infinity = std::numeric_limits<double>::infinity();
  struct Case {
    double value;
    std::int32_t expected;
  };
  const std::vector<Case> cases = {
      {0.0, 0},
      {20181106.9, 20181106},
      {-20181106.9, -20181106},
      {2.5e7, 25000000},
      {2147483647.0, 2147483647},
      {2147483648.0, -2147483647 - 1},
      {4294967295.0, -1},
      {4294967296.0, 0},
      {4294967296.0 + 7, 7},
      {-4294967296.0 - 7, -7},
      {9.3e18, static_cast<std::int32_t>(
                   static_cast<std::uint32_t>(static_cast<std::uint64_t>(9.3e18) & 0xFFFFFFFFu))},
      {18446744073709551616.0, 0},  // 2^64
      {1e300, 0},                   // a multiple of 2^32, like every double beyond 2^84
      {nan, 0},
      {infinity, 0},
      {-infinity, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(version_number_of(c.value), c.expected);
  }
}

TEST(IsWebAddress, OnlyHttpAndHttpsInAnyCase) {
  for (const char* yes : {"http://a", "https://a", "HTTP://a", "hTtPs://a/b?c"}) {
    EXPECT_TRUE(is_web_address(yes)) << yes;
  }
  for (const char* no : {"", "http:/a", "ftp://a", " http://a", "file:///etc/passwd", "httpx://a",
                         "javascript:x", "-x http://a"}) {
    EXPECT_FALSE(is_web_address(no)) << no;
  }
}

}  // namespace
