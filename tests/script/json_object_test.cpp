#include "script/json_object.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/script/text_printer.h"
#include "text/literal.h"

namespace {

JsonObject parsed(const Text& text) {
  JsonObject json;
  EXPECT_TRUE(json.parse(text)) << text.str();
  return json;
}

TEST(JsonObjectParse, UpdateReply) {
  JsonObject json;
  EXPECT_EQ(json.variable_name(), "da");
  ASSERT_TRUE(json.parse(R"({"ver":"20181106","notice":""})"));
  EXPECT_EQ(json.get_json("ver"), R"("20181106")");
  EXPECT_EQ(json.get_json("notice"), R"("")");
  EXPECT_EQ(json.get_json("missing"), "");
  EXPECT_EQ(json.get_text("ver"), "20181106");
}

TEST(JsonObjectParse, WhatTheEngineCanEvaluate) {
  const struct {
    const char* text;
    bool parsed;
    const char* json;
  } cases[] = {
      {"5", true, "5"},
      {R"({"a":[1,"x"]})", true, R"({"a":[1,"x"]})"},
      // Evaluated as a script expression: single quotes and unquoted keys parse.
      {"{'a':'b'}", true, R"({"a":"b"})"},
      {"{a:1,b:'x'}", true, R"({"a":1,"b":"x"})"},
      {"[1,2]", true, "[1,2]"},
      {"null", false, "null"},
      {"", false, ""},
      {R"({"a":)", false, "null"},
      {"{a:1", false, "null"},
      {"undefined_name", false, "null"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    JsonObject json;
    EXPECT_EQ(json.parse(c.text), c.parsed);
    EXPECT_EQ(json.to_json(), c.json);
    if (!c.parsed) {
      EXPECT_EQ(json.get_json("a"), "");
    }
  }
}

TEST(JsonObjectParse, SecondParseDropsTheFirstDocument) {
  JsonObject json = parsed("{a:1}");
  json.set_value("b", "2");
  ASSERT_TRUE(json.has("b"));
  ASSERT_TRUE(json.parse("{c:3}"));
  EXPECT_FALSE(json.has("a"));
  EXPECT_FALSE(json.has("b"));
  EXPECT_TRUE(json.has("c"));
  EXPECT_EQ(json.to_json(), R"({"c":3})");
  // A failed parse leaves a null document, not the old one.
  EXPECT_FALSE(json.parse("{broken"));
  EXPECT_FALSE(json.has("c"));
  EXPECT_EQ(json.type_of(), JsonType::null_value);
}

TEST(JsonObjectRead, CountMembersAndTypes) {
  const JsonObject json = parsed(
      "{s:'x', n:1.5, b:true, o:{p:1, q:2, r:3}, a:[1,2,3,4], e:{}, z:null, "
      "list:[{k:1},{k:2}]}");
  EXPECT_EQ(json.count("o"), 3);
  EXPECT_EQ(json.count("a"), 4);
  EXPECT_EQ(json.count("e"), 0);
  EXPECT_EQ(json.count(), 8);

  TextList names = {"stale"};
  EXPECT_EQ(json.member_names(names, "o"), 3);
  EXPECT_EQ(names, (TextList{"p", "q", "r"}));
  EXPECT_EQ(json.member_names(names, "e"), 0);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(json.member_names(names, "list"), 2);
  EXPECT_EQ(names, (TextList{"0", "1"}));

  const struct {
    const char* path;
    JsonType type;
  } types[] = {
      {"s", JsonType::string},
      {"n", JsonType::number},
      {"b", JsonType::boolean},
      {"o", JsonType::object},
      {"a", JsonType::array},
      {"z", JsonType::null_value},
      {"missing", JsonType::null_value},
      {"list[1]", JsonType::object},
      {"list[1].k", JsonType::number},
      {"o.toJSONString", JsonType::other},  // a function
      {"a-b", JsonType::other},             // not a member expression the engine can read
      {"", JsonType::object},
  };
  for (const auto& t : types) {
    SCOPED_TRACE(t.path);
    EXPECT_EQ(json.type_of(t.path), t.type);
  }
}

TEST(JsonObjectRead, MemberNamesOfTheRoot) {
  JsonObject json = parsed("{a:1, b:2}");
  TextList names;
  EXPECT_EQ(json.member_names(names), 2);
  EXPECT_EQ(names, (TextList{"a", "b"}));
}

TEST(JsonObjectRead, GetText) {
  const JsonObject json = parsed(
      "{n:0.1, i:42, big:12345678901234567, tiny:1e-20, neg:-2.5, s:'文字', t:true, "
      "o:{k:[1,'x']}}"_gbk);
  const struct {
    const char* path;
    bool as_json;
    Text text;
  } cases[] = {
      {"n", false, "0.1"},  // "%.13g", not the engine's number text
      {"i", false, "42"},       {"big", false, "1.234567890123e+16"},
      {"tiny", false, "1e-20"}, {"neg", false, "-2.5"},
      {"s", false, "文字"_gbk}, {"s", true, "\"文字\""_gbk},
      {"t", false, "true"},     {"o", true, R"({"k":[1,"x"]})"},
      {"o.k[1]", false, "x"},   {"missing", false, ""},
      {"", false, ""},  // "da." cannot be evaluated
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(json.get_text(c.path, c.as_json), c.text);
  }
  const JsonObject list = parsed("[10, 'b', {c:3}]");
  EXPECT_EQ(list.get_text("[1]"), "b");
  EXPECT_EQ(list.get_text("[0]"), "10");
  EXPECT_EQ(list.get_text("[2].c"), "3");
  EXPECT_EQ(list.get_text("[2]", true), R"({"c":3})");
  EXPECT_EQ(list.get_item_text(1), "b");
  EXPECT_EQ(list.get_item_text(2, "", true), R"({"c":3})");
}

TEST(JsonObjectChange, SetValueAndFriends) {
  JsonObject json;
  json.set_value("s", "text");
  json.set_value("o", "", true);  // an empty JSON value is an empty object
  json.set_value("l", "[1,{a:2}]", true);
  json.set_json("j", "{x:'y'}");
  json.set_number("n", 0.1);
  json.set_number("e", 1e300);
  EXPECT_EQ(json.to_json(),
            R"({"s":"text","o":{},"l":[1,{"a":2}],"j":{"x":"y"},"n":0.1,"e":1e+300})");
  EXPECT_EQ(json.get_number("n"), 0.1);
  EXPECT_EQ(json.get_number("s"), 0);

  // Values are pasted unescaped: a quote or a line break makes the statement fail.
  json.set_value("s", "it's");
  json.set_value("s", "two\nlines");
  EXPECT_EQ(json.get_json("s"), R"("text")");
  // set_json has no empty-value rule: eval() gives undefined, which JSON leaves out.
  json.set_json("o", "");
  EXPECT_EQ(json.get_json("o"), "");
  EXPECT_EQ(json.type_of("o"), JsonType::null_value);
  // Backslash sequences are read by the engine.
  json.set_value("s", "a\\tb");
  EXPECT_EQ(json.get_json("s"), R"("a\tb")");
}

TEST(JsonObjectChange, PushReplacesWhatIsNoArray) {
  JsonObject json = parsed("{list:'x', n:5}");
  json.push("a", "list");
  EXPECT_EQ(json.get_json("list"), R"(["a"])");
  json.push("b", "list");
  json.push("{k:1}", "list", true);
  EXPECT_EQ(json.get_json("list"), R"(["a","b",{"k":1}])");
  EXPECT_EQ(json.count("list"), 3);
  json.push("7", "fresh", true);
  EXPECT_EQ(json.get_json("fresh"), "[7]");
  json.push("v");  // the root is an object: it becomes a one-element array
  EXPECT_EQ(json.to_json(), R"(["v"])");
}

TEST(JsonObjectChange, ItemsRootResetAndClear) {
  JsonObject json = parsed("['a','b','c']");
  json.set_item(1, "B");
  json.set_item(3, "{d:4}", true);
  EXPECT_EQ(json.to_json(), R"(["a","B","c",{"d":4}])");
  json.remove_item(0);
  EXPECT_EQ(json.to_json(), R"(["B","c",{"d":4}])");
  EXPECT_EQ(json.type_of(), JsonType::object);  // the root array test reads "da."

  json.reset(5);
  EXPECT_EQ(json.to_json(), "[]");
  json.reset(3);  // no such type: nothing happens
  EXPECT_EQ(json.to_json(), "[]");
  json.reset(0);
  EXPECT_EQ(json.to_json(), "{}");
  json.set_root("plain");
  EXPECT_EQ(json.to_json(), R"("plain")");
  json.set_root("{r:1}", true);
  EXPECT_EQ(json.get_number("r"), 1);
  json.clear();
  EXPECT_EQ(json.to_json(), "{}");
  EXPECT_FALSE(json.has("r"));
}

TEST(JsonObjectChange, RemovePathItem) {
  const struct {
    const char* document;
    const char* path;
    const char* member;
    const char* json;
  } cases[] = {
      {"{list:[1,2,3]}", "list[1]", "list", "[1,3]"},
      {"{list:[1,2,3]}", "list[0]", "list", "[2,3]"},
      {"{a:{list:['x','y']}}", "a.list[0]", "a", R"({"list":["y"]})"},
      {"{list:[1,2,3]}", "list[9]", "list", "[1,2,3]"},
      {"{list:[1,2,3]}", "list[99999999999999]", "list", "[1,2,3]"},  // no overflow
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    JsonObject json = parsed(c.document);
    json.remove_path_item(c.path);
    EXPECT_EQ(json.get_json(c.member), c.json);
  }
}

TEST(JsonObjectCopies, GetObjectIsIndependent) {
  JsonObject json = parsed("{a:{b:1, c:[5,6]}, list:[{k:'first'},{k:'second'}]}");
  JsonObject part = json.get_object("a");
  EXPECT_EQ(part.to_json(), R"({"b":1,"c":[5,6]})");
  part.set_number("b", 2);
  EXPECT_EQ(part.get_number("b"), 2);
  EXPECT_EQ(json.get_number("a.b"), 1);
  json.set_number("a.b", 3);
  EXPECT_EQ(part.get_number("b"), 2);

  JsonObject item = json.get_item_object(1, "list");
  EXPECT_EQ(item.get_text("k"), "second");
  EXPECT_EQ(json.get_item_object(0, "list").get_text("k"), "first");

  EXPECT_EQ(json.get_object("missing").type_of(), JsonType::null_value);
  EXPECT_EQ(json.get_object("").type_of(), JsonType::null_value);
}

TEST(JsonObjectCopies, CopySharesTheEngineUntilTheNextParse) {
  JsonObject json = parsed("{a:1}");
  JsonObject shared = json.copy();
  shared.set_value("b", "x");
  EXPECT_EQ(json.get_text("b"), "x");
  {
    JsonObject outlives = json.copy();
    json = JsonObject();  // the first holder lets go; the copies keep the engine
    EXPECT_EQ(outlives.get_text("b"), "x");
  }
  EXPECT_EQ(shared.to_json(), R"({"a":1,"b":"x"})");
  // parse gives the object a fresh engine; the copy keeps the old document.
  JsonObject again = shared.copy();
  ASSERT_TRUE(again.parse("{c:1}"));
  EXPECT_EQ(shared.to_json(), R"({"a":1,"b":"x"})");
  EXPECT_EQ(again.to_json(), R"({"c":1})");
}

// Replies arrive over plain HTTP and are evaluated as script: whatever they hold,
// parse ends within the engine's bounds, returns false, and nothing else suffers.
TEST(JsonObjectHostile, ParseEndsAndReturnsFalse) {
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  const std::string deep_object = [] {
    std::string s;
    for (int i = 0; i < 50000; ++i) s += "{a:";
    return s + "1" + std::string(50000, '}');
  }();
  const std::string hostile[] = {
      "(function () { for (;;) {} })()",
      "(function () { var a = []; for (;;) { a.push('xxxxxxxxxxxxxxxx' + a.length); } })()",
      deep,
      deep_object,
      // Breaks out of the brackets around the text.
      "0) + (function () { for (;;) {} })() + (0",
      "0) + (function () { var keep = []; for (;;) { keep.push(keep.length + 'yy'); } })() + (0",
      "new Array(1e9).join('x')",
      "(function f() { return f(); })()",
  };
  JsonObject reused;
  for (const auto& text : hostile) {
    SCOPED_TRACE(text.substr(0, 60));
    JsonObject json;
    EXPECT_FALSE(json.parse(Text(text)));
    EXPECT_EQ(json.to_json(), "null");
    EXPECT_FALSE(reused.parse(Text(text)));
    // The same object and a new one both work normally afterwards.
    EXPECT_TRUE(reused.parse(R"({"ver":"20181106"})"));
    EXPECT_EQ(reused.get_json("ver"), R"("20181106")");
    JsonObject fresh;
    EXPECT_TRUE(fresh.parse("{ok:true}"));
    EXPECT_EQ(fresh.get_text("ok"), "true");
  }
}

TEST(JsonObjectHostile, OperationsOnANullDocumentGiveEmptyValues) {
  JsonObject json;
  ASSERT_FALSE(json.parse("null"));
  EXPECT_EQ(json.get_json("a"), "");
  EXPECT_EQ(json.get_text("a"), "");
  EXPECT_EQ(json.get_number("a"), 0);
  EXPECT_FALSE(json.has("a"));
  EXPECT_EQ(json.type_of("a"), JsonType::other);  // da.a cannot be read at all
  EXPECT_EQ(json.count("a"), 0);
  TextList names = {"stale"};
  EXPECT_EQ(json.member_names(names, "a"), 0);
  EXPECT_TRUE(names.empty());
  json.set_value("a", "x");  // fails: da is null
  EXPECT_EQ(json.to_json(), "null");
}

TEST(JsonObjectLimits, EngineThatCannotBeMade) {
  JsonObject json(ScriptLimits{std::chrono::milliseconds(2000), 1024});
  EXPECT_FALSE(json.parse("{a:1}"));
  EXPECT_EQ(json.to_json(), "");
  EXPECT_EQ(json.get_text("a"), "");
  EXPECT_EQ(json.count(), 0);
  EXPECT_EQ(json.type_of(), JsonType::other);
}

}  // namespace
