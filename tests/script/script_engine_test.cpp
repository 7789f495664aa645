#include "script/script_engine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "tests/script/text_printer.h"
#include "text/literal.h"

namespace {

using namespace std::chrono_literals;

// Short limits, so that the hostile cases end quickly.
constexpr ScriptLimits kTight{300ms, std::size_t{16} << 20};

std::string repeat(const std::string& piece, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += piece;
  return out;
}

struct EvalCase {
  const char* code;
  const char* text;
  double number;
  bool truth;
};

TEST(ScriptEngineEval, GivesTheValueInEveryForm) {
  const EvalCase cases[] = {
      {"1+1", "2", 2, true},
      {"0.5", "0.5", 0.5, true},
      {"'abc'", "abc", 0, true},  // not a number: 0
      {"'42'", "42", 42, true},
      {"''", "", 0, false},
      {"true", "true", 1, true},
      {"false", "false", 0, false},
      {"undefined", "", 0, false},
      {"null", "", 0, false},
      {"[1,2]", "1,2", 0, true},
      // A statement list gives the value of the last statement that has one.
      {"var a=1; a+2", "3", 3, true},
      {"var s=''; for (var i=0;i<3;i++) {s=s+i;}", "012", 12, true},
      {"var t=''; for (var k in {}) {t=t+k;}", "", 0, false},
      // Failures give the empty value of each form.
      {"1+", "", 0, false},
      {"throw new Error('boom')", "", 0, false},
      {"no_such_name", "", 0, false},
  };
  ScriptEngine engine;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(engine.eval_text(c.code), Text(c.text));
    EXPECT_EQ(engine.eval_number(c.code), c.number);
    EXPECT_EQ(engine.eval_bool(c.code), c.truth);
  }
}

TEST(ScriptEngineEval, FailedStatementAssignsNothing) {
  ScriptEngine engine;
  engine.eval("var v=1");
  engine.eval("v='it''s'");  // a quote inside single quotes: syntax error
  EXPECT_EQ(engine.eval_text("v"), "1");
}

TEST(ScriptEngineCode, DeclarationsStayAndRunCallsThem) {
  ScriptEngine engine;
  ASSERT_TRUE(engine.add_code("function shout(x) { return x + '!'; } var kept = 5;"));
  EXPECT_EQ(engine.eval_number("kept"), 5);
  EXPECT_EQ(engine.run("shout", "hey"), "hey!");
  // A broken text is refused and leaves what was there.
  EXPECT_FALSE(engine.add_code("function broken( {"));
  EXPECT_EQ(engine.run("shout", "still"), "still!");

  EXPECT_TRUE(engine.add_code("function fails(x) { throw new Error(x); }"));
  EXPECT_EQ(engine.run("fails", "x"), "");
  EXPECT_EQ(engine.run("no_such_function", "x"), "");
  EXPECT_EQ(engine.run("kept", "x"), "");  // not a function
}

TEST(ScriptEngineText, CrossesTheCodePage) {
  ScriptEngine engine;
  const Text name = "漫画名：第1话"_gbk;
  EXPECT_EQ(engine.eval_text("'" + name + "'"), name);
  ASSERT_TRUE(engine.add_code("function size(s) { return String(s.length); }"));
  EXPECT_EQ(engine.run("size", name), "7");  // characters, not bytes
  EXPECT_EQ(engine.eval_text("String.fromCharCode(0x6F2B, 0x753B)"), "漫画"_gbk);
  // A Text ends before the first character of code 0.
  EXPECT_EQ(engine.eval_text("'ab\\u0000cd'"), "ab");
  // Characters the code page lacks, lone surrogates included, come back substituted.
  for (const char* code :
       {"'a\\uD83D\\uDE00b'", "'a' + String.fromCharCode(0xD800) + 'b'", "'a\\u0E01b'"}) {
    SCOPED_TRACE(code);
    const Text text = engine.eval_text(code);
    ASSERT_GE(text.size(), 3u);
    EXPECT_EQ(text.view().front(), 'a');
    EXPECT_EQ(text.view().back(), 'b');
  }
}

TEST(ScriptEngineSandbox, ExposesNoHostObjects) {
  ScriptEngine engine;
  for (const char* name :
       {"print", "alert", "require", "Duktape", "process", "module", "exports", "console", "load",
        "read", "readFile", "system", "XMLHttpRequest", "WScript", "ActiveXObject"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(engine.eval_text(Text("typeof ") + name), "undefined");
  }
  // The language's own built-ins stay.
  EXPECT_EQ(engine.eval_text("JSON.stringify({a:[1,'x']})"), R"({"a":[1,"x"]})");
  EXPECT_EQ(engine.eval_text("'a-b-c'.replace(/-/g, '+')"), "a+b+c");
}

TEST(ScriptEngineLimits, TimeBudgetEndsEndlessScripts) {
  const char* endless[] = {
      "for (;;) {}",
      "(function () { while (true) {} })()",
      // A catch that swallows the timeout does not keep the script alive.
      "for (;;) { try { for (;;) {} } catch (e) {} }",
      "for (;;) { try { for (;;) {} } finally { for (;;) {} } }",
      // Each match is a single instruction for the interrupt counter.
      "for (;;) { /(a*)*b/.test('aaaaaaaaaaaaaaaaa'); }",
      "for (;;) { 'aaaaaaaaaaaaaaaaa'.replace(/(a*)*b/, ''); }",
      "function f() { return f(); } for (;;) { try { f(); } catch (e) {} }",
      // Array methods walk every index up to the length, even of a sparse array.
      "new Array(1e9).indexOf(1)",
      "new Array(1e9).join('x')",
      "String(new Array(1e9))",
      "new Array(1e9).sort()",
      "[].concat(new Array(1e9)).length",
      "Array.prototype.lastIndexOf.call({length: 1e9}, 1)",
  };
  ScriptEngine engine(kTight);
  for (const char* code : endless) {
    SCOPED_TRACE(code);
    EXPECT_EQ(engine.eval_text(code), "");
    EXPECT_EQ(engine.eval_text("'alive'"), "alive");  // a fresh budget for the next call
  }
  ASSERT_TRUE(engine.add_code("function spin(x) { for (;;) {} }"));
  EXPECT_EQ(engine.run("spin", "x"), "");
  EXPECT_FALSE(engine.add_code("for (;;) {}"));
}

TEST(ScriptEngineLimits, MemoryCapEndsEndlessAllocation) {
  // Locals, so that what the failed call built is garbage afterwards: what a
  // global still holds stays counted against the cap.
  const char* greedy[] = {
      "(function () { var list = []; for (;;) { list.push('item number ' + list.length); } })()",
      "(function () { var s = 'x'; for (;;) { s = s + s; } })()",
      "'x'.repeat(1e9)",
      "(function () { var deep = []; for (;;) { deep = [deep, {a: deep}]; } })()",
      "JSON.stringify(new Array(1e9))",
      "String.fromCharCode.apply(null, new Array(1e6))",
  };
  ScriptEngine engine(ScriptLimits{5000ms, std::size_t{16} << 20});
  for (const char* code : greedy) {
    SCOPED_TRACE(code);
    EXPECT_EQ(engine.eval_text(code), "");
    EXPECT_EQ(engine.eval_text("[1,2,3].join('-')"), "1-2-3");
  }
}

TEST(ScriptEngineLimits, DeepNestingIsAnErrorNotACrash) {
  ScriptEngine engine(kTight);
  const std::string nested[] = {
      repeat("[", 100000),
      repeat("[", 100000) + repeat("]", 100000),
      repeat("{a:", 100000) + "1" + repeat("}", 100000),
      repeat("(", 100000) + "1" + repeat(")", 100000),
      "new RegExp('" + repeat("(", 20000) + "a" + repeat(")", 20000) + "').test('a')",
      "/" + repeat("(", 9000) + "a" + repeat(")", 9000) + "/.test('a')",
      "JSON.parse('" + repeat("[", 100000) + "')",
      // Locals, so that the failed call leaves no garbage behind.
      "(function () { var a = []; for (var i = 0; i < 100000; i++) { a = [a]; } return String(a); "
      "})()",
      "(function () { var o = {}; for (var i = 0; i < 100000; i++) { o = {a: o}; } return "
      "JSON.stringify(o); })()",
      "function f(n) { return eval('f(n + 1)'); } f(0)",
  };
  for (const auto& code : nested) {
    SCOPED_TRACE(code.substr(0, 60));
    EXPECT_EQ(engine.eval_text(Text(code)), "");
    EXPECT_EQ(engine.eval_text("'alive'"), "alive");
  }
  // Nesting below the engine's limits still works.
  EXPECT_EQ(engine.eval_text(Text("var q=" + repeat("[", 2000) + repeat("]", 2000) + "; 'ok'")),
            "ok");
}

TEST(ScriptEngineLimits, SettersApplyToLaterCalls) {
  ScriptEngine engine;
  engine.set_time_budget(100ms);
  EXPECT_EQ(engine.eval_text("for (;;) {}"), "");
  engine.set_memory_cap(std::size_t{8} << 20);
  EXPECT_EQ(engine.eval_text("(function () { var s = 'x'; for (;;) { s = s + s; } })()"), "");
  EXPECT_EQ(engine.eval_text("'ok'"), "ok");
}

TEST(ScriptEngineLimits, HeapThatCannotBeMadeGivesEmptyValues) {
  ScriptEngine engine(ScriptLimits{2000ms, 1024});
  EXPECT_FALSE(engine.usable());
  EXPECT_FALSE(engine.add_code("var a = 1;"));
  EXPECT_EQ(engine.eval_text("'x'"), "");
  EXPECT_EQ(engine.eval_number("1"), 0);
  EXPECT_FALSE(engine.eval_bool("true"));
  EXPECT_EQ(engine.run("f", "x"), "");
}

}  // namespace
