#include "script/json_object.h"

#include <cmath>
#include <limits>

#include "script/json_script.h"
#include "text/markers.h"
#include "text/primitives.h"

namespace {

// Text values go between single quotes, unescaped; raw values go in as they are.
Text quote_mark(bool raw) { return raw ? Text() : Text("'"); }

}  // namespace

JsonObject::JsonObject(const ScriptLimits& limits) : limits_(limits) {
  variable_name_ = "da";
  initialise();
}

JsonObject::~JsonObject() = default;

JsonObject JsonObject::copy() const { return *this; }

void JsonObject::initialise() {
  engine_ = std::make_shared<ScriptEngine>(limits_);
  if (!engine_->usable()) {
    engine_.reset();
    return;
  }
  engine_->add_code(json_script());
  eval("var " + variable_name_ + "={}");
}

bool JsonObject::parse(const Text& text) {
  if (engine_) {
    engine_.reset();
    initialise();
  }
  if (!engine_) return false;
  eval("var " + variable_name_ + "=null");
  engine_->add_code("var " + variable_name_ + "=eval(" + text + ")");
  return eval_bool("null !=" + variable_name_);
}

Text JsonObject::to_json() const { return eval_text("JSON.stringify(" + variable_name_ + ")"); }

void JsonObject::set_value(const Text& key, const Text& value, bool as_json) {
  if (!as_json) {
    eval(variable_name_ + "." + key + "='" + value + "'");
    return;
  }
  const Text json = value.empty() ? Text("{}") : value;
  eval(variable_name_ + "." + key + "= eval(" + json + ")");
}

void JsonObject::set_json(const Text& key, const Text& value) {
  eval(variable_name_ + "." + key + "= eval(" + value + ")");
}

void JsonObject::set_number(const Text& key, double number) {
  eval(variable_name_ + "." + key + "=" + format_number(number));
}

double JsonObject::get_number(const Text& key) const {
  return eval_number(variable_name_ + "." + key);
}

Text JsonObject::get_json(const Text& key) const {
  return eval_text("JSON.stringify(" + variable_name_ + "." + key + ")");
}

Text JsonObject::get_text(const Text& path, bool as_json) const {
  const Text property = property_path(path);
  if (as_json) return eval_text("JSON.stringify(" + property + ")");
  if (!engine_) return {};
  // Numbers in the C form, not in the engine's own number text.
  if (type_of(path) == JsonType::number) return format_number(get_number(path));
  return eval_text(property);
}

JsonObject JsonObject::get_object(const Text& path) const {
  JsonObject part(limits_);
  part.parse(eval_text("JSON.stringify(" + property_path(path) + ")"));
  return part.copy();
}

std::int32_t JsonObject::count(const Text& path) const {
  const Text target = path.empty() ? variable_name_ : property_path(path);
  const double value = std::trunc(eval_number("get__count(" + target + ")"));
  // A value outside the 32-bit range cannot be taken as a count.
  if (!(value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max())) {
    return 0;
  }
  return static_cast<std::int32_t>(value);
}

void JsonObject::push(const Text& value, const Text& path, bool raw) {
  const Text target = member_path(path);
  const Text q = quote_mark(raw);
  eval("if (Object.prototype.toString.call(" + target + ") != '[object Array]') { " + target +
       "=new Array();} " + target + ".push(" + q + value + q + ")");
}

JsonObject JsonObject::get_item_object(std::int32_t index, const Text& path) const {
  JsonObject part(limits_);
  part.parse(eval_text("JSON.stringify(" + member_path(path) + "[" + format_int(index) + "])"));
  return part.copy();
}

Text JsonObject::get_item_text(std::int32_t index, const Text& path, bool as_json) const {
  const Text item = member_path(path) + "[" + format_int(index) + "]";
  return as_json ? eval_text("JSON.stringify(" + item + ")") : eval_text(item);
}

void JsonObject::set_item(std::int32_t index, const Text& value, bool raw) {
  const Text q = quote_mark(raw);
  eval(variable_name_ + "[" + format_int(index) + "]=" + q + value + q);
}

void JsonObject::remove_item(std::int32_t index) {
  eval(variable_name_ + ".splice(" + format_int(index) + ",1)");
}

void JsonObject::remove_path_item(const Text& path) {
  JsonObject list(limits_);
  const Position bracket = find_in_text(path, "[");
  const Text base = bracket > 0 ? left_part(path, bracket - 1) : Text();
  // parse_int reads the index as atoi does, without its overflow.
  const std::int32_t index = parse_int(text_between(path, "[", "]"));
  list.parse(get_text(base, true));
  list.remove_item(index);
  set_json(base, list.to_json());
}

void JsonObject::reset(std::int32_t type) {
  if (type == 0 || type == 4) {
    eval("var " + variable_name_ + "={}");
  } else if (type == 5) {
    eval("var " + variable_name_ + "=new Array()");
  }
}

void JsonObject::set_root(const Text& value, bool raw) {
  const Text q = quote_mark(raw);
  eval(variable_name_ + "=" + q + value + q);
}

bool JsonObject::has(const Text& key) const {
  return eval_bool(variable_name_ + "." + key + " !=null");
}

std::int32_t JsonObject::member_names(TextList& names, const Text& path) const {
  Text list =
      eval_text("var ary=''; for (var key in " + member_path(path) + ") {ary=ary+ key+','; }");
  list = substitute(list, "toJSONString,", "", 1, std::nullopt, true);
  list = substitute(list, "parseJSON,", "", 1, std::nullopt, true);
  eval("ary=null");
  names = split_by(list, ",");
  return static_cast<std::int32_t>(names.size());
}

JsonType JsonObject::type_of(const Text& path) const {
  const Text target = member_path(path);
  if (eval_bool(target + "==null")) return JsonType::null_value;
  const Text type = eval_text("typeof (" + target + ")");
  if (type == "string") return JsonType::string;
  if (type == "object") {
    return get_text(path, true).view().starts_with('[') ? JsonType::array : JsonType::object;
  }
  if (type == "number") return JsonType::number;
  if (type == "boolean") return JsonType::boolean;
  return JsonType::other;
}

void JsonObject::clear() { eval(variable_name_ + "={}"); }

Text JsonObject::member_path(const Text& path) const {
  return path.empty() ? variable_name_ : variable_name_ + "." + path;
}

Text JsonObject::property_path(const Text& path) const {
  return path.view().starts_with('[') ? variable_name_ + path : variable_name_ + "." + path;
}

Text JsonObject::eval_text(const Text& code) const {
  return engine_ ? engine_->eval_text(code) : Text();
}
double JsonObject::eval_number(const Text& code) const {
  return engine_ ? engine_->eval_number(code) : 0;
}
bool JsonObject::eval_bool(const Text& code) const { return engine_ && engine_->eval_bool(code); }
void JsonObject::eval(const Text& code) const {
  if (engine_) engine_->eval(code);
}
