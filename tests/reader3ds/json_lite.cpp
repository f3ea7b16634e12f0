#include "tests/reader3ds/json_lite.h"

#include <cctype>
#include <cstdlib>

namespace {

struct Parser {
  const std::string& text;
  std::size_t at = 0;
  bool failed = false;

  void skipSpace() {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  }
  bool take(char c) {
    skipSpace();
    if (at < text.size() && text[at] == c) {
      ++at;
      return true;
    }
    return false;
  }
  std::string string() {
    std::string out;
    if (!take('"')) {
      failed = true;
      return out;
    }
    while (at < text.size() && text[at] != '"') {
      if (text[at] == '\\' && at + 1 < text.size()) ++at;
      out += text[at++];
    }
    failed |= !take('"');
    return out;
  }
  JsonValue value() {
    JsonValue v;
    skipSpace();
    if (failed || at >= text.size()) {
      failed = true;
    } else if (text[at] == '{') {
      v.kind = JsonValue::Kind::OBJECT;
      ++at;
      if (!take('}')) {
        do {
          v.keys.push_back(string());
          failed |= !take(':');
          v.values.push_back(value());
        } while (!failed && take(','));
        failed |= !take('}');
      }
    } else if (text[at] == '[') {
      v.kind = JsonValue::Kind::ARRAY;
      ++at;
      if (!take(']')) {
        do v.items.push_back(value());
        while (!failed && take(','));
        failed |= !take(']');
      }
    } else if (text[at] == '"') {
      v.kind = JsonValue::Kind::STRING;
      v.text = string();
    } else {
      char* end = nullptr;
      v.kind = JsonValue::Kind::NUMBER;
      v.number = std::strtod(text.c_str() + at, &end);
      failed |= end == text.c_str() + at;
      at = static_cast<std::size_t>(end - text.c_str());
    }
    return v;
  }
};

}  // namespace

const JsonValue& JsonValue::operator[](const std::string& key) const {
  static const JsonValue none;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i] == key) return values[i];
  }
  return none;
}

JsonValue parseJson(const std::string& text) {
  Parser parser{text};
  JsonValue v = parser.value();
  return parser.failed ? JsonValue{} : v;
}
