#include "download/image_path_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "image_path_encoder.h"
#include "tests/script/text_printer.h"

namespace {

const std::string kDigitsKey = "0123456789";
const std::string kLetterKey = "qwertyuiop";  // 0 is q, 1 is w, 4 is t, 6 is u

class ImagePathDecoder : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(install_decoder(engine_)); }
  Text decode(const std::string& scrambled) { return decode_image_path(engine_, Text(scrambled)); }
  ScriptEngine engine_;
};

TEST_F(ImagePathDecoder, TailLengthFollowsTheLastCharacter) {
  const std::string scrambled = "104;116" + kDigitsKey + ";";
  const struct {
    std::string tail;
    const char* decoded;
  } cases[] = {
      {"Xa", "ht"},                        // a: two characters
      {"XYb", "ht"},                       // b: three
      {std::string(26, 'X') + "z", "ht"},  // z: twenty-seven
      {"Q", "ht"},                         // a capital: one
      {"7", "ht"},                         // a digit: one
      {"-", "ht"},                         // anything else: one
      {"a", ""},                           // one character short: the key shifts
      {std::string(25, 'X') + "z", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tail);
    EXPECT_EQ(decode(scrambled + c.tail), c.decoded);
  }
}

TEST_F(ImagePathDecoder, BodiesAndSeparators) {
  const struct {
    std::string scrambled;
    const char* decoded;
  } cases[] = {
      {"104;116" + kDigitsKey + ";A", "ht"},
      {"wqt;wwu" + kLetterKey + ";A", "ht"},  // letters turned into their digits
      {"wqt|wwu" + kLetterKey + "|A", "ht"},
      // A separator at the start gives code 0 first: the Text is empty.
      {";104;116" + kDigitsKey + ";A", ""},
      // At the end it gives a last code 0, which the Text drops.
      {"104;116;" + kDigitsKey + ";A", "ht"},
      {"104;;116" + kDigitsKey + ";A", "h"},
      // Codes of 65536 and more wrap around: 65601 is A.
      {"65601" + kDigitsKey + ";Z", "A"},
      {"65601;66" + kDigitsKey + ";Z", "AB"},
      // A piece that is no number gives code 0.
      {"104;1x6" + kDigitsKey + ";A", "h"},
      // A key character that is a regular expression character keeps its meaning:
      // the full stop matches everything, so the whole body becomes zeros.
      {"104;116" + std::string(".123456789") + ";A", ""},
      // One that is no valid expression on its own makes the run fail.
      {"104;116" + std::string("*123456789") + ";A", ""},
      {"104;116" + std::string("/123456789") + ";A", ""},
      {"", ""},
      {"a", ""},
      {"short", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scrambled);
    EXPECT_EQ(decode(c.scrambled), c.decoded);
  }
}

TEST_F(ImagePathDecoder, KeyOrderDecidesForDigitKeys) {
  // Key characters are replaced in key order, each on what the steps before left.
  // Key "1023456789": step 0 turns every 1 into 0, step 1 every 0 (the new ones too)
  // into 1, so both digits end as 1.
  EXPECT_EQ(decode("1;0" + std::string("1023456789") + ";A"), decode("1;1" + kDigitsKey + ";A"));
}

TEST_F(ImagePathDecoder, RepeatableAndReinstallable) {
  const std::string scrambled = scramble_image_path("/comic/1/001.jpg", kLetterKey, '|', 'e');
  const Text first = decode(scrambled);
  EXPECT_EQ(first, "/comic/1/001.jpg");
  EXPECT_EQ(decode(scrambled), first);
  ASSERT_TRUE(install_decoder(engine_));
  EXPECT_EQ(decode(scrambled), first);
}

TEST(ImagePathDecoderEngine, RunWithoutTheRoutineGivesEmptyText) {
  ScriptEngine engine;
  EXPECT_EQ(decode_image_path(engine, "104;1160123456789;A"), "");
}

// Keys the decoder can undo: letters, or a digit k at a position no greater than k.
std::string random_key(std::mt19937& random) {
  std::string pool = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::shuffle(pool.begin(), pool.end(), random);
  std::string key = pool.substr(0, 10);
  // Now and then keep some digits in their own places.
  if (random() % 3 == 0) {
    for (int d = 0; d < 10; ++d) {
      if (random() % 2 == 0) key[d] = static_cast<char>('0' + d);
    }
  }
  return key;
}

char random_separator(std::mt19937& random, const std::string& key) {
  const std::string pool = ";|,-~_!#%&=+@xyzXYZ";
  for (;;) {
    const char c = pool[random() % pool.size()];
    if (key.find(c) == std::string::npos) return c;
  }
}

std::vector<std::string> realistic_paths() {
  std::vector<std::string> paths;
  const char* extensions[] = {".jpg", ".png", ".webp", ".JPG"};
  for (int comic = 1; comic <= 30; ++comic) {
    for (int chapter = 1; chapter <= 10; ++chapter) {
      const std::string id = std::to_string(comic * 37 + 1000);
      const std::string page = std::to_string(chapter * 3);
      paths.push_back("/dm0" + std::to_string(comic % 9 + 1) + "/ok-comic" + id + "/" +
                      std::to_string(comic % 4) + "/" + id + "_" + std::to_string(chapter) + "/" +
                      std::string(3 - std::min<std::size_t>(3, page.size()), '0') + page +
                      extensions[(comic + chapter) % 4] +
                      (chapter % 5 == 0 ? "?v=" + std::to_string(chapter * 11) : ""));
    }
  }
  return paths;
}

TEST_F(ImagePathDecoder, RoundTripThroughTheEncoder) {
  std::mt19937 random(20181106);
  const std::string lasts = "abcdefghijklmnopqrstuvwxyzAZ09.";
  int checked = 0;
  for (const auto& path : realistic_paths()) {
    const std::string key = random() % 5 == 0 ? kDigitsKey : random_key(random);
    const char separator = random_separator(random, key);
    const char last = lasts[random() % lasts.size()];
    const std::string scrambled = scramble_image_path(path, key, separator, last);
    SCOPED_TRACE(scrambled);
    ASSERT_EQ(decode(scrambled), Text(path));
    ++checked;
  }
  EXPECT_EQ(checked, 300);
}

}  // namespace
