#include "script/script_engine.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "duktape.h"
#include "text/codepage.h"

namespace {

using Clock = std::chrono::steady_clock;

// What the allocator and the time check read through the heap's udata.
struct HeapState {
  std::size_t cap = 0;
  std::size_t used = 0;
  std::chrono::milliseconds budget{0};
  Clock::time_point deadline{};
  bool in_call = false;
};

bool time_is_up(const HeapState& state) noexcept {
  // Outside a call no script may run at all (finalizers at heap destruction).
  return !state.in_call || Clock::now() >= state.deadline;
}

bool past_deadline(const HeapState& state) noexcept {
  return state.in_call && Clock::now() >= state.deadline;
}

// Every block carries its size in front, so that frees and reallocations can
// keep the running total that the cap is checked against.
struct alignas(std::max_align_t) BlockHeader {
  std::size_t size;
};
constexpr std::size_t kHeader = sizeof(BlockHeader);

bool fits(const HeapState& state, std::size_t more) noexcept {
  // Past the deadline nothing fits: that ends built-ins that allocate as they go.
  if (past_deadline(state)) return false;
  return more <= state.cap && state.used <= state.cap - more &&
         more <= std::numeric_limits<std::size_t>::max() - kHeader;
}

void* heap_alloc(void* udata, duk_size_t size) noexcept {
  auto& state = *static_cast<HeapState*>(udata);
  if (size == 0 || !fits(state, size)) return nullptr;  // Duktape copes with both
  auto* block = static_cast<BlockHeader*>(std::malloc(kHeader + size));
  if (block == nullptr) return nullptr;
  block->size = size;
  state.used += size;
  return block + 1;
}

void heap_free(void* udata, void* ptr) noexcept {
  if (ptr == nullptr) return;
  auto& state = *static_cast<HeapState*>(udata);
  auto* block = static_cast<BlockHeader*>(ptr) - 1;
  state.used -= block->size;
  std::free(block);
}

void* heap_realloc(void* udata, void* ptr, duk_size_t size) noexcept {
  if (ptr == nullptr) return heap_alloc(udata, size);
  if (size == 0) {
    heap_free(udata, ptr);
    return nullptr;
  }
  auto& state = *static_cast<HeapState*>(udata);
  auto* block = static_cast<BlockHeader*>(ptr) - 1;
  const std::size_t old_size = block->size;
  if (size > old_size && !fits(state, size - old_size)) return nullptr;
  auto* grown = static_cast<BlockHeader*>(std::realloc(block, kHeader + size));
  if (grown == nullptr) return nullptr;  // the old block stays valid
  grown->size = size;
  state.used = state.used - old_size + size;
  return grown + 1;
}

// Reached only for errors outside a protected call or for Duktape's internal
// failures; every call of ours is protected, so this means a broken heap. It must
// not return and no exception may leave it.
void on_fatal(void*, const char* message) noexcept {
  std::fprintf(stderr, "script engine: fatal error: %s\n", message ? message : "");
  std::abort();
}

// The interrupt counter counts bytecode instructions, and some built-ins do long
// work within one instruction. Three guards bound them:
// - a regular expression match can take long, and a loop of matches would pass the
//   deadline by far before the counter runs out: its entry points check the deadline;
// - array methods walk every index up to an array's length, which a sparse array
//   sets at will (new Array(1e9).indexOf(0) takes minutes without allocating): they
//   refuse lengths that no real array within the memory cap can reach;
// - past the deadline every allocation fails, which ends any allocating built-in.
constexpr std::size_t kBytesPerArraySlot = 16;

HeapState& state_of(duk_context* ctx) {
  duk_memory_functions functions;
  duk_get_memory_functions(ctx, &functions);
  return *static_cast<HeapState*>(functions.udata);
}

void refuse_if_too_long(duk_context* ctx, duk_idx_t index, std::size_t limit) {
  if (!duk_is_object(ctx, index)) return;
  duk_get_prop_string(ctx, index, "length");
  const double length = duk_to_number(ctx, -1);
  duk_pop(ctx);
  if (length > static_cast<double>(limit)) {
    duk_error(ctx, DUK_ERR_RANGE_ERROR, "array length beyond the memory cap");
  }
}

// Calls the original built-in, kept on the wrapper, with the same this and arguments.
duk_ret_t call_original(duk_context* ctx, duk_idx_t argument_count) {
  duk_push_current_function(ctx);
  duk_get_prop_string(ctx, -1, DUK_HIDDEN_SYMBOL("original"));
  duk_remove(ctx, -2);
  duk_push_this(ctx);
  for (duk_idx_t i = 0; i < argument_count; ++i) duk_dup(ctx, i);
  duk_call_method(ctx, argument_count);
  return 1;
}

duk_ret_t time_guarded_call(duk_context* ctx) {
  const duk_idx_t argument_count = duk_get_top(ctx);
  if (time_is_up(state_of(ctx))) return duk_error(ctx, DUK_ERR_RANGE_ERROR, "execution timeout");
  return call_original(ctx, argument_count);
}

duk_ret_t length_guarded_call(duk_context* ctx) {
  const duk_idx_t argument_count = duk_get_top(ctx);
  const HeapState& state = state_of(ctx);
  if (time_is_up(state)) return duk_error(ctx, DUK_ERR_RANGE_ERROR, "execution timeout");
  const std::size_t limit = state.cap / kBytesPerArraySlot;
  duk_push_this(ctx);
  refuse_if_too_long(ctx, -1, limit);
  duk_pop(ctx);
  // concat walks its array arguments as well.
  for (duk_idx_t i = 0; i < argument_count; ++i) {
    if (duk_is_array(ctx, i)) refuse_if_too_long(ctx, i, limit);
  }
  return call_original(ctx, argument_count);
}

struct GuardedMethod {
  const char* holder;
  const char* name;
  duk_c_function guard;
};
constexpr GuardedMethod kGuardedMethods[] = {
    {"RegExp", "exec", time_guarded_call},
    {"RegExp", "test", time_guarded_call},
    {"String", "match", time_guarded_call},
    {"String", "replace", time_guarded_call},
    {"String", "search", time_guarded_call},
    {"String", "split", time_guarded_call},
    {"Array", "concat", length_guarded_call},
    {"Array", "join", length_guarded_call},
    {"Array", "toLocaleString", length_guarded_call},
    {"Array", "reverse", length_guarded_call},
    {"Array", "shift", length_guarded_call},
    {"Array", "slice", length_guarded_call},
    {"Array", "sort", length_guarded_call},
    {"Array", "splice", length_guarded_call},
    {"Array", "unshift", length_guarded_call},
    {"Array", "indexOf", length_guarded_call},
    {"Array", "lastIndexOf", length_guarded_call},
    {"Array", "every", length_guarded_call},
    {"Array", "some", length_guarded_call},
    {"Array", "forEach", length_guarded_call},
    {"Array", "map", length_guarded_call},
    {"Array", "filter", length_guarded_call},
    {"Array", "reduce", length_guarded_call},
    {"Array", "reduceRight", length_guarded_call},
};

duk_ret_t set_up_globals(duk_context* ctx, void*) {
  duk_push_global_object(ctx);
  // The Duktape object offers finalizers and error hooks, which would run script
  // outside any call's deadline. Nothing else among the built-ins reaches outside
  // the heap: Duktape 2.7 has no print, alert, require or file access by default.
  duk_del_prop_string(ctx, -1, "Duktape");
  for (const auto& method : kGuardedMethods) {
    duk_get_prop_string(ctx, -1, method.holder);
    duk_get_prop_string(ctx, -1, "prototype");
    duk_get_prop_string(ctx, -1, method.name);
    if (duk_is_function(ctx, -1)) {
      duk_push_c_function(ctx, method.guard, DUK_VARARGS);
      duk_dup(ctx, -2);
      duk_put_prop_string(ctx, -2, DUK_HIDDEN_SYMBOL("original"));
      duk_put_prop_string(ctx, -3, method.name);
    }
    duk_pop_3(ctx);
  }
  duk_pop(ctx);
  return 0;
}

enum class Kind { program, expression, function_call };
enum class Form { none, text, number, boolean };

// Plain data only: Duktape errors unwind through the safe call with longjmp.
struct Request {
  Kind kind;
  Form form;
  const char* code;
  std::size_t code_size;
  const char* argument;
  std::size_t argument_size;
};

duk_ret_t carry_out(duk_context* ctx, void* udata) {
  const auto& request = *static_cast<const Request*>(udata);
  switch (request.kind) {
    case Kind::program:
      duk_compile_lstring(ctx, 0, request.code, request.code_size);
      duk_call(ctx, 0);
      break;
    case Kind::expression:
      // Eval code: a statement list gives the value of its last statement.
      duk_eval_lstring(ctx, request.code, request.code_size);
      break;
    case Kind::function_call:
      duk_get_global_lstring(ctx, request.code, request.code_size);
      duk_push_lstring(ctx, request.argument, request.argument_size);
      duk_call(ctx, 1);
      break;
  }
  switch (request.form) {
    case Form::none:
      break;
    case Form::text:
      if (duk_is_null_or_undefined(ctx, -1)) {
        duk_push_string(ctx, "");
      } else {
        duk_to_string(ctx, -1);
      }
      break;
    case Form::number:
      if (duk_is_null_or_undefined(ctx, -1)) {
        duk_push_number(ctx, 0);
      } else {
        duk_to_number(ctx, -1);
      }
      break;
    case Form::boolean:
      duk_to_boolean(ctx, -1);
      break;
  }
  return 1;
}

struct HeapDestroyer {
  void operator()(duk_context* ctx) const { duk_destroy_heap(ctx); }
};

// A call's value as plain data, taken off the value stack before it is cleared.
struct Outcome {
  bool ok = false;
  std::string text;  // CESU-8
  double number = 0;
  bool truth = false;
};

}  // namespace

// The execution time check that the config copy wires into Duktape.
extern "C" duk_bool_t script_engine_time_is_up(void* heap_udata) {
  return time_is_up(*static_cast<const HeapState*>(heap_udata)) ? 1 : 0;
}

struct ScriptEngine::Heap {
  explicit Heap(const ScriptLimits& limits) {
    state.cap = limits.memory_cap;
    state.budget = limits.time_budget;
    ctx.reset(duk_create_heap(heap_alloc, heap_realloc, heap_free, &state, on_fatal));
    if (ctx && duk_safe_call(ctx.get(), set_up_globals, nullptr, 0, 1) != DUK_EXEC_SUCCESS) {
      ctx.reset();
    }
    if (ctx) duk_set_top(ctx.get(), 0);
  }

  Outcome call(Request request) {
    Outcome outcome;
    if (!ctx) return outcome;
    duk_context* c = ctx.get();
    state.deadline = Clock::now() + state.budget;
    state.in_call = true;
    outcome.ok = duk_safe_call(c, carry_out, &request, 0, 1) == DUK_EXEC_SUCCESS;
    state.in_call = false;
    if (outcome.ok) {
      switch (request.form) {
        case Form::none:
          break;
        case Form::text: {
          duk_size_t size = 0;
          const char* s = duk_get_lstring(c, -1, &size);
          if (s != nullptr) outcome.text.assign(s, size);
          break;
        }
        case Form::number:
          outcome.number = duk_get_number(c, -1);
          break;
        case Form::boolean:
          outcome.truth = duk_get_boolean(c, -1) != 0;
          break;
      }
    }
    duk_set_top(c, 0);
    return outcome;
  }

  HeapState state;
  std::unique_ptr<duk_context, HeapDestroyer> ctx;  // last: goes before the state it uses
};

namespace {

Request request_for(Kind kind, Form form, const std::string& code) {
  return Request{kind, form, code.data(), code.size(), nullptr, 0};
}

Text to_local(std::string_view cesu8) {
  // A Text ends at its first character of code 0.
  return cesu8_to_local(cesu8.substr(0, cesu8.find('\0')));
}

}  // namespace

ScriptEngine::ScriptEngine() : ScriptEngine(ScriptLimits{}) {}
ScriptEngine::ScriptEngine(const ScriptLimits& limits) : heap_(std::make_unique<Heap>(limits)) {}
ScriptEngine::~ScriptEngine() = default;

bool ScriptEngine::usable() const { return heap_->ctx != nullptr; }
void ScriptEngine::set_time_budget(std::chrono::milliseconds budget) {
  heap_->state.budget = budget;
}
void ScriptEngine::set_memory_cap(std::size_t bytes) { heap_->state.cap = bytes; }

bool ScriptEngine::add_code(const Text& code) {
  const std::string source = local_to_cesu8(code);
  return heap_->call(request_for(Kind::program, Form::none, source)).ok;
}

Text ScriptEngine::eval_text(const Text& code) {
  const std::string source = local_to_cesu8(code);
  const Outcome outcome = heap_->call(request_for(Kind::expression, Form::text, source));
  return outcome.ok ? to_local(outcome.text) : Text();
}

double ScriptEngine::eval_number(const Text& code) {
  const std::string source = local_to_cesu8(code);
  const Outcome outcome = heap_->call(request_for(Kind::expression, Form::number, source));
  // NaN is a value that cannot be taken as a number.
  return outcome.ok && !std::isnan(outcome.number) ? outcome.number : 0;
}

bool ScriptEngine::eval_bool(const Text& code) {
  const std::string source = local_to_cesu8(code);
  return heap_->call(request_for(Kind::expression, Form::boolean, source)).truth;
}

void ScriptEngine::eval(const Text& code) {
  const std::string source = local_to_cesu8(code);
  heap_->call(request_for(Kind::expression, Form::none, source));
}

Text ScriptEngine::run(const Text& function_name, const Text& argument) {
  const std::string name = local_to_cesu8(function_name);
  const std::string value = local_to_cesu8(argument);
  Request request{Kind::function_call, Form::text,   name.data(),
                  name.size(),         value.data(), value.size()};
  const Outcome outcome = heap_->call(request);
  return outcome.ok ? to_local(outcome.text) : Text();
}
