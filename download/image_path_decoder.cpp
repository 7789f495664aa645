#include "download/image_path_decoder.h"

namespace {

// The page's scrambled path, read from its end: the last character says how long
// the tail is (a small letter: its place in the alphabet + 1, else 1), the 11
// characters before the tail are the key (digit d is written as key[d]) and the
// separator, and everything before them is the body, the character codes in
// decimal. The key characters are replaced one by one, in key order, by evaluating
// a one-character global regular expression, so that a key holding digits or
// regular expression characters behaves exactly as on the site.
constexpr const char* kDecoderScript = R"JS(
function kq(s) {
  var L = s.length;
  var x = s.substring(L - 1, L);
  var xi = "abcdefghijklmnopqrstuvwxyz".indexOf(x) + 1;
  var sk = s.substring(L - xi - 12, L - xi - 1);
  var body = s.substring(0, L - xi - 12);
  var key = sk.substring(0, sk.length - 1);
  var sep = sk.substring(sk.length - 1, sk.length);
  for (var i = 0; i < key.length; i++) {
    eval("body = body.replace(/" + key.substring(i, i + 1) + "/g, '" + i + "')");
  }
  var pieces = body.split(sep);
  var result = "";
  for (var j = 0; j < pieces.length; j++) {
    result += String.fromCharCode(pieces[j]);
  }
  return result;
}
)JS";

}  // namespace

bool install_decoder(ScriptEngine& engine) { return engine.add_code(kDecoderScript); }

Text decode_image_path(ScriptEngine& engine, const Text& scrambled_path) {
  // The engine's Text already ends before the first character of code 0.
  return engine.run("kq", scrambled_path);
}
