#pragma once
// Just enough JSON for the peer-check files next to the real .3ds files:
// objects, arrays, strings without escapes beyond \" and \\, numbers.

#include <string>
#include <vector>

struct JsonValue {
  enum class Kind { NONE, NUMBER, STRING, ARRAY, OBJECT } kind = Kind::NONE;
  double number = 0;
  std::string text;
  std::vector<JsonValue> items;
  std::vector<std::string> keys;  // object members in file order
  std::vector<JsonValue> values;

  const JsonValue& operator[](const std::string& key) const;  // NONE value when missing
};

// Kind::NONE when the text is not valid.
JsonValue parseJson(const std::string& text);
