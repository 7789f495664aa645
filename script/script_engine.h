// The script engine: one Duktape heap that evaluates script texts.
// The only unit that talks to Duktape.
//
// Texts cross in code page 936. A script error, an exhausted time budget or an
// exhausted memory cap gives the empty value of the form asked for; the engine
// stays usable afterwards. The engine exposes no host objects.
#pragma once

#include <memory>

#include "text/text.h"

class ScriptEngine {
 public:
  ScriptEngine();
  ~ScriptEngine();
  ScriptEngine(const ScriptEngine&) = delete;
  ScriptEngine& operator=(const ScriptEngine&) = delete;

  bool add_code(const Text& code);  // runs in the global scope; declarations stay
  Text eval_text(const Text& code);
  double eval_number(const Text& code);
  bool eval_bool(const Text& code);
  void eval(const Text& code);  // value discarded
  Text run(const Text& function_name, const Text& argument);

 private:
  struct Heap;
  std::unique_ptr<Heap> heap_;
};
