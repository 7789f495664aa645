// The script engine: one Duktape heap that evaluates script texts.
// The only unit that talks to Duktape.
//
// Texts cross in code page 936. A script error, an exhausted time budget or an
// exhausted memory cap gives the empty value of the form asked for; the engine
// stays usable afterwards. The engine exposes no host objects.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>

#include "text/text.h"

// Bounds for a heap: every call (add_code, an eval, run) gets the time budget
// afresh; the memory cap holds for the heap's whole life.
struct ScriptLimits {
  std::chrono::milliseconds time_budget{2000};
  std::size_t memory_cap = std::size_t{64} << 20;
};

class ScriptEngine {
 public:
  ScriptEngine();
  explicit ScriptEngine(const ScriptLimits& limits);
  ~ScriptEngine();
  ScriptEngine(const ScriptEngine&) = delete;
  ScriptEngine& operator=(const ScriptEngine&) = delete;

  bool add_code(const Text& code);  // runs in the global scope; declarations stay
  Text eval_text(const Text& code);
  double eval_number(const Text& code);
  bool eval_bool(const Text& code);
  void eval(const Text& code);  // value discarded
  Text run(const Text& function_name, const Text& argument);

  // False when the heap could not be made (the memory cap is too small for it);
  // then every call gives the empty value.
  bool usable() const;
  void set_time_budget(std::chrono::milliseconds budget);
  void set_memory_cap(std::size_t bytes);  // a cap below the current use only stops growth

 private:
  struct Heap;
  std::unique_ptr<Heap> heap_;
};
