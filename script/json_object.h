// A JSON document held in a private script engine, as the global variable "da".
//
// Every operation builds a short script text from fixed fragments and its
// arguments, pasted in unchanged, and hands it to the engine. Parsing evaluates
// the text as a script expression, so single quotes and unquoted keys parse too;
// the engine's time budget and memory cap bound what a hostile text can do, and
// the engine has no way out of its heap. No operation raises an error: a failed
// evaluation gives an empty Text, 0 or false and changes nothing.
#pragma once

#include <cstdint>
#include <memory>

#include "script/script_engine.h"
#include "text/text.h"

enum class JsonType : std::int32_t {
  other = -1,      // a function, or a path the engine cannot evaluate
  null_value = 0,  // null, undefined or missing
  boolean = 1,
  number = 2,
  object = 4,
  array = 5,
  string = 6,
};

class JsonObject {
 public:
  explicit JsonObject(const ScriptLimits& limits = {});
  virtual ~JsonObject();
  // A copy shares the engine, and so the document; the engine ends with its last holder.
  JsonObject(const JsonObject&) = default;
  JsonObject& operator=(const JsonObject&) = default;
  JsonObject(JsonObject&&) noexcept = default;
  JsonObject& operator=(JsonObject&&) noexcept = default;

  virtual JsonObject copy() const;
  virtual void initialise();
  virtual bool parse(const Text& text);
  virtual Text to_json() const;
  virtual void set_value(const Text& key, const Text& value, bool as_json = false);
  virtual void set_json(const Text& key, const Text& value);
  virtual void set_number(const Text& key, double number);
  virtual double get_number(const Text& key) const;
  virtual Text get_json(const Text& key) const;
  virtual Text get_text(const Text& path, bool as_json = false) const;
  virtual JsonObject get_object(const Text& path) const;
  virtual std::int32_t count(const Text& path = {}) const;
  virtual void push(const Text& value, const Text& path = {}, bool raw = false);
  virtual JsonObject get_item_object(std::int32_t index, const Text& path = {}) const;
  virtual Text get_item_text(std::int32_t index, const Text& path = {}, bool as_json = false) const;
  virtual void set_item(std::int32_t index, const Text& value, bool raw = false);
  virtual void remove_item(std::int32_t index);
  virtual void remove_path_item(const Text& path);
  virtual void reset(std::int32_t type);  // a JsonType code
  virtual void set_root(const Text& value, bool raw = false);
  virtual bool has(const Text& key) const;
  virtual std::int32_t member_names(TextList& names, const Text& path = {}) const;
  virtual JsonType type_of(const Text& path = {}) const;
  virtual void clear();

  const Text& variable_name() const { return variable_name_; }

 private:
  Text member_path(const Text& path) const;    // N, or N.path
  Text property_path(const Text& path) const;  // N[..] for a path that begins with "[", else N.path
  Text eval_text(const Text& code) const;
  double eval_number(const Text& code) const;
  bool eval_bool(const Text& code) const;
  void eval(const Text& code) const;

  Text variable_name_;
  std::shared_ptr<ScriptEngine> engine_;
  ScriptLimits limits_;
};
