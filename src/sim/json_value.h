#pragma once
// A small JSON reader for machine.json: the whole value tree, with the line
// of each value kept for error messages. Numbers are non-negative integers
// (the machine description needs nothing else); text is not unescaped beyond
// the simple escapes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tamsel::sim {

struct JsonMember;

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  uint64_t number = 0;
  std::string text;
  std::vector<JsonValue> items;
  std::vector<JsonMember> members;  // in file order
  int line = 1;

  const JsonValue* Member(std::string_view key) const;
};

// One key of an object with its value (a named record: a pair could not hold
// the still-incomplete value type).
struct JsonMember {
  std::string key;
  JsonValue value;
};

// Parses `text`; on failure returns false and `fault` names the line and the fault.
bool ParseJson(std::string_view text, JsonValue& value, std::string& fault);

}  // namespace tamsel::sim
