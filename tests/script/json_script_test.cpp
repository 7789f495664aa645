// The JSON script's three parts. Duktape has a native JSON, so the script's own
// reader and writer only run here, in an engine whose JSON was taken away first;
// they are checked against the native one.
#include "script/json_script.h"

#include <gtest/gtest.h>

#include "script/script_engine.h"
#include "tests/script/text_printer.h"
#include "text/literal.h"

namespace {

struct Engines {
  Engines() {
    native.add_code(json_script());
    scripted.eval("delete this.JSON; delete Date.prototype.toJSON;");
    scripted.add_code(json_script());
  }
  ScriptEngine native;
  ScriptEngine scripted;
};

TEST(JsonScript, CountsMembersAndAddsTwoEnumerableNames) {
  ScriptEngine engine;
  ASSERT_TRUE(engine.add_code(json_script()));
  EXPECT_EQ(engine.eval_number("get__count({a: 1, b: 2, c: 3})"), 3);
  EXPECT_EQ(engine.eval_number("get__count([1, 2, 3, 4])"), 4);
  EXPECT_EQ(engine.eval_number("get__count({})"), 0);
  EXPECT_EQ(engine.eval_text("var n = ''; for (var k in {a: 1}) { n = n + k + ','; }"),
            "a,toJSONString,parseJSON,");
  EXPECT_EQ(engine.eval_text("({a: [1, 'x']}).toJSONString()"), R"({"a":[1,"x"]})");
  EXPECT_EQ(engine.eval_text(R"('{"b": 2}'.parseJSON().b)"), "2");
  // Loading it again adds nothing twice.
  ASSERT_TRUE(engine.add_code(json_script()));
  EXPECT_EQ(engine.eval_number("get__count({a: 1})"), 1);
}

TEST(JsonScript, OwnWriterMatchesTheNativeOne) {
  Engines engines;
  ASSERT_EQ(engines.scripted.eval_text("typeof JSON.stringify"), "function");
  const char* expressions[] = {
      R"(JSON.stringify({a: 1, b: "x", c: [1, 2, {d: null}], e: true, f: false}))",
      R"(JSON.stringify([undefined, function () {}, NaN, Infinity, -0.5, 1e21, 0]))",
      R"(JSON.stringify({u: undefined, f: function () {}, n: null}))",
      R"(JSON.stringify("quote \" back \\ tab \t nl \n cr \r bs \b ff \f ctl \u0001\u001f"))",
      R"(JSON.stringify({a: [1, {b: 2}], c: {}, d: []}, null, 2))",
      R"(JSON.stringify({a: [1, {b: 2}]}, null, "--"))",
      R"(JSON.stringify({a: 1, b: 2}, function (k, v) { return k === "b" ? undefined : v; }))",
      R"(JSON.stringify({a: 1, b: 2, c: 3}, ["c", "a"]))",
      R"(JSON.stringify(undefined))",
      R"(JSON.stringify(new String("s")))",
      R"(JSON.stringify({toJSON: function () { return [7]; }}))",
  };
  for (const char* expression : expressions) {
    SCOPED_TRACE(expression);
    const Text native = engines.native.eval_text(Text(expression));
    EXPECT_EQ(engines.scripted.eval_text(Text(expression)), native);
  }
  EXPECT_EQ(engines.scripted.eval_text(R"(JSON.stringify("漫画"))"_gbk), "\"漫画\""_gbk);
}

TEST(JsonScript, OwnWriterEscapesAndDates) {
  Engines engines;
  const struct {
    const char* expression;
    const char* json;
  } cases[] = {
      // Invisible and line-breaking characters are written as \u escapes.
      {R"(JSON.stringify("\u007f\u009f\u00ad\u0600\u070f\u17b4\u200c\u2028\u2060\ufeff\ufff0"))",
       R"("\u007f\u009f\u00ad\u0600\u070f\u17b4\u200c\u2028\u2060\ufeff\ufff0")"},
      // Dates to whole seconds, in UTC.
      {"JSON.stringify(new Date(Date.UTC(2018, 10, 6, 1, 2, 3, 456)))",
       R"("2018-11-06T01:02:03Z")"},
      {"JSON.stringify([new Date(NaN)])", "[null]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expression);
    EXPECT_EQ(engines.scripted.eval_text(c.expression), c.json);
  }
}

TEST(JsonScript, OwnReaderMatchesTheNativeOne) {
  Engines engines;
  ASSERT_EQ(engines.scripted.eval_text("typeof JSON.parse"), "function");
  const char* texts[] = {
      R"({"a":[1,2.5,-3e2,0,1E+2,true,false,null],"b":{"c":"x\\u00e9\\n\\\"y\\/"}})",
      R"( [ ] )",
      R"( { } )",
      R"("s")",
      R"(-0.25e-3)",
      R"({"k" : [ {"n" : "v"} , [] ] })",
      // Not JSON: each reader throws a SyntaxError.
      R"({a:1})",
      R"([1,])",
      R"(\'x\')",
      R"(01)",
      R"("unterminated)",
      R"({"a":1} x)",
      R"(tru)",
      R"("\\x")",
      R"()",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    const Text code =
        Text("try { JSON.stringify(JSON.parse('") + text + "')) } catch (e) { e.name }";
    const Text native = engines.native.eval_text(code);
    EXPECT_EQ(engines.scripted.eval_text(code), native);
  }
  EXPECT_EQ(engines.scripted.eval_text(
                R"(JSON.stringify(JSON.parse('{"a":1,"b":{"c":2}}', function (k, v) {
                     return k === "a" ? undefined : v; })))"),
            R"({"b":{"c":2}})");
}

}  // namespace
