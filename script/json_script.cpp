#include "script/json_script.h"

namespace {

// Plain ES3, so that it runs on any engine the JSON object may sit on.
constexpr const char* kJsonScript = R"JS(
function get__count(c) {
  var n = 0;
  for (var name in c) {
    n += 1;
  }
  /* the two members added to Object.prototype below are not the object's own */
  return n - 2;
}

var JSON;
if (typeof JSON !== "object" || JSON === null) {
  JSON = {};
}

(function () {
  function two(n) {
    return n < 10 ? "0" + n : String(n);
  }

  if (typeof Date.prototype.toJSON !== "function") {
    Date.prototype.toJSON = function () {
      if (!isFinite(this.valueOf())) {
        return null;
      }
      return this.getUTCFullYear() + "-" + two(this.getUTCMonth() + 1) + "-" +
        two(this.getUTCDate()) + "T" + two(this.getUTCHours()) + ":" +
        two(this.getUTCMinutes()) + ":" + two(this.getUTCSeconds()) + "Z";
    };
    String.prototype.toJSON = function () {
      return this.valueOf();
    };
    Number.prototype.toJSON = String.prototype.toJSON;
    Boolean.prototype.toJSON = String.prototype.toJSON;
  }

  var hasOwn = Object.prototype.hasOwnProperty;
  var needsEscape = /[\\\"\u0000-\u001f\u007f-\u009f\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g;
  var shortEscapes = {"\b": "\\b", "\t": "\\t", "\n": "\\n", "\f": "\\f", "\r": "\\r",
    "\"": "\\\"", "\\": "\\\\"};

  function isArray(value) {
    return Object.prototype.toString.call(value) === "[object Array]";
  }

  function quote(text) {
    needsEscape.lastIndex = 0;
    return "\"" + text.replace(needsEscape, function (ch) {
      if (hasOwn.call(shortEscapes, ch)) {
        return shortEscapes[ch];
      }
      return "\\u" + ("0000" + ch.charCodeAt(0).toString(16)).slice(-4);
    }) + "\"";
  }

  function wrap(open, close, parts, writer, outer) {
    if (parts.length === 0) {
      return open + close;
    }
    if (writer.gap === "") {
      return open + parts.join(",") + close;
    }
    return open + "\n" + writer.indent + parts.join(",\n" + writer.indent) + "\n" + outer + close;
  }

  /* Gives the JSON text of holder[key], or undefined for a value JSON cannot hold. */
  function write(key, holder, writer) {
    var value = holder[key];
    var outer, parts, i, name, text;
    if (value && typeof value === "object" && typeof value.toJSON === "function") {
      value = value.toJSON(key);
    }
    if (writer.replacer) {
      value = writer.replacer.call(holder, key, value);
    }
    switch (typeof value) {
      case "string":
        return quote(value);
      case "number":
        return isFinite(value) ? String(value) : "null";
      case "boolean":
        return String(value);
      case "object":
        if (value === null) {
          return "null";
        }
        outer = writer.indent;
        writer.indent += writer.gap;
        parts = [];
        if (isArray(value)) {
          for (i = 0; i < value.length; i += 1) {
            text = write(i, value, writer);
            parts.push(text === undefined ? "null" : text);
          }
          text = wrap("[", "]", parts, writer, outer);
        } else {
          if (writer.names) {
            for (i = 0; i < writer.names.length; i += 1) {
              name = writer.names[i];
              text = write(name, value, writer);
              if (text !== undefined) {
                parts.push(quote(name) + (writer.gap ? ": " : ":") + text);
              }
            }
          } else {
            for (name in value) {
              if (hasOwn.call(value, name)) {
                text = write(name, value, writer);
                if (text !== undefined) {
                  parts.push(quote(name) + (writer.gap ? ": " : ":") + text);
                }
              }
            }
          }
          text = wrap("{", "}", parts, writer, outer);
        }
        writer.indent = outer;
        return text;
    }
    return undefined;
  }

  if (typeof JSON.stringify !== "function") {
    JSON.stringify = function (value, replacer, space) {
      var writer = {gap: "", indent: "", replacer: null, names: null};
      var i;
      if (typeof space === "number") {
        for (i = 0; i < space && i < 10; i += 1) {
          writer.gap += " ";
        }
      } else if (typeof space === "string") {
        writer.gap = space.slice(0, 10);
      }
      if (typeof replacer === "function") {
        writer.replacer = replacer;
      } else if (isArray(replacer)) {
        writer.names = [];
        for (i = 0; i < replacer.length; i += 1) {
          if (typeof replacer[i] === "string" || typeof replacer[i] === "number") {
            writer.names.push(String(replacer[i]));
          }
        }
      } else if (replacer !== undefined && replacer !== null) {
        throw new Error("JSON.stringify: the replacer is neither a function nor an array");
      }
      return write("", {"": value}, writer);
    };
  }

  if (typeof JSON.parse !== "function") {
    JSON.parse = function (source, reviver) {
      var text = String(source);
      var at = 0;
      var simpleEscapes = {"\"": "\"", "\\": "\\", "/": "/", "b": "\b", "f": "\f", "n": "\n",
        "r": "\r", "t": "\t"};

      function fail() {
        throw new SyntaxError("JSON.parse: unexpected text at " + at);
      }
      function skipBlanks() {
        var ch = text.charAt(at);
        while (ch === " " || ch === "\t" || ch === "\n" || ch === "\r") {
          at += 1;
          ch = text.charAt(at);
        }
      }
      function isDigit(ch) {
        return ch.length === 1 && ch >= "0" && ch <= "9";
      }
      function skipDigits() {
        if (!isDigit(text.charAt(at))) {
          fail();
        }
        while (isDigit(text.charAt(at))) {
          at += 1;
        }
      }
      function readWord(word, value) {
        if (text.substring(at, at + word.length) !== word) {
          fail();
        }
        at += word.length;
        return value;
      }
      function readNumber() {
        var start = at;
        if (text.charAt(at) === "-") {
          at += 1;
        }
        if (text.charAt(at) === "0") {
          at += 1;
        } else {
          skipDigits();
        }
        if (text.charAt(at) === ".") {
          at += 1;
          skipDigits();
        }
        if (text.charAt(at) === "e" || text.charAt(at) === "E") {
          at += 1;
          if (text.charAt(at) === "+" || text.charAt(at) === "-") {
            at += 1;
          }
          skipDigits();
        }
        return Number(text.substring(start, at));
      }
      function readString() {
        var out = "";
        var ch, hex;
        at += 1;
        for (;;) {
          if (at >= text.length) {
            fail();
          }
          ch = text.charAt(at);
          at += 1;
          if (ch === "\"") {
            return out;
          }
          if (ch === "\\") {
            ch = text.charAt(at);
            at += 1;
            if (ch === "u") {
              hex = text.substring(at, at + 4);
              if (!/^[0-9a-fA-F]{4}$/.test(hex)) {
                fail();
              }
              out += String.fromCharCode(parseInt(hex, 16));
              at += 4;
            } else if (hasOwn.call(simpleEscapes, ch)) {
              out += simpleEscapes[ch];
            } else {
              fail();
            }
          } else if (ch < " ") {
            fail();
          } else {
            out += ch;
          }
        }
      }
      function readArray() {
        var array = [];
        at += 1;
        skipBlanks();
        if (text.charAt(at) === "]") {
          at += 1;
          return array;
        }
        for (;;) {
          array.push(readValue());
          skipBlanks();
          if (text.charAt(at) === "]") {
            at += 1;
            return array;
          }
          if (text.charAt(at) !== ",") {
            fail();
          }
          at += 1;
        }
      }
      function readObject() {
        var object = {};
        var name;
        at += 1;
        skipBlanks();
        if (text.charAt(at) === "}") {
          at += 1;
          return object;
        }
        for (;;) {
          skipBlanks();
          if (text.charAt(at) !== "\"") {
            fail();
          }
          name = readString();
          skipBlanks();
          if (text.charAt(at) !== ":") {
            fail();
          }
          at += 1;
          object[name] = readValue();
          skipBlanks();
          if (text.charAt(at) === "}") {
            at += 1;
            return object;
          }
          if (text.charAt(at) !== ",") {
            fail();
          }
          at += 1;
        }
      }
      function readValue() {
        skipBlanks();
        switch (text.charAt(at)) {
          case "{":
            return readObject();
          case "[":
            return readArray();
          case "\"":
            return readString();
          case "t":
            return readWord("true", true);
          case "f":
            return readWord("false", false);
          case "n":
            return readWord("null", null);
        }
        return readNumber();
      }
      function revive(holder, key) {
        var value = holder[key];
        var name, revived;
        if (value && typeof value === "object") {
          for (name in value) {
            if (hasOwn.call(value, name)) {
              revived = revive(value, name);
              if (revived === undefined) {
                delete value[name];
              } else {
                value[name] = revived;
              }
            }
          }
        }
        return reviver.call(holder, key, value);
      }

      var result = readValue();
      skipBlanks();
      if (at < text.length) {
        fail();
      }
      return typeof reviver === "function" ? revive({"": result}, "") : result;
    };
  }
}());

if (typeof Object.prototype.toJSONString !== "function") {
  Object.prototype.toJSONString = function (filter) {
    return JSON.stringify(this, filter);
  };
  Object.prototype.parseJSON = function (filter) {
    return JSON.parse(this, filter);
  };
}
)JS";

}  // namespace

const Text& json_script() {
  static const Text script(kJsonScript);
  return script;
}
