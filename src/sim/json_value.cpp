#include "sim/json_value.h"

#include <cctype>
#include <unordered_set>

namespace tamsel::sim {

namespace {

constexpr int kMaxDepth = 32;

class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : text_(text) {}

  bool ReadDocument(JsonValue& value) {
    if (!ReadValue(value, 0)) return false;
    SkipSpace();
    if (pos_ != text_.size()) return Fail("unexpected text after the end of the document");
    return true;
  }

  const std::string& fault() const { return fault_; }

 private:
  bool Fail(const std::string& what) {
    fault_ = "line " + std::to_string(line_) + ": " + what;
    return false;
  }

  void SkipSpace() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) {
      if (text_[pos_] == '\n') ++line_;
      ++pos_;
    }
  }

  bool Expect(char c) {
    SkipSpace();
    if (pos_ >= text_.size() || text_[pos_] != c) return Fail(std::string("expected '") + c + "'");
    ++pos_;
    return true;
  }

  bool ReadLiteral(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return Fail("not JSON: unknown word");
    pos_ += word.size();
    return true;
  }

  bool ReadValue(JsonValue& value, int depth) {
    if (depth > kMaxDepth) return Fail("nested too deeply");
    SkipSpace();
    value.line = line_;
    if (pos_ >= text_.size()) return Fail("unexpected end of the document");
    const char c = text_[pos_];
    if (c == '{') return ReadObject(value, depth);
    if (c == '[') return ReadArray(value, depth);
    if (c == '"') {
      value.kind = JsonValue::Kind::kString;
      return ReadString(value.text);
    }
    if (c == 't' || c == 'f') {
      value.kind = JsonValue::Kind::kBool;
      value.boolean = c == 't';
      return ReadLiteral(c == 't' ? "true" : "false");
    }
    if (c == 'n') return ReadLiteral("null");
    if (std::isdigit(static_cast<unsigned char>(c))) return ReadNumber(value);
    if (c == '-') return Fail("negative numbers are not allowed");
    return Fail("not JSON: unexpected character");
  }

  bool ReadNumber(JsonValue& value) {
    value.kind = JsonValue::Kind::kNumber;
    uint64_t number = 0;
    while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
      number = number * 10 + static_cast<uint64_t>(text_[pos_] - '0');
      if (number > 0xFFFFFFFFu) return Fail("number too large");
      ++pos_;
    }
    if (pos_ < text_.size() && (text_[pos_] == '.' || text_[pos_] == 'e' || text_[pos_] == 'E')) {
      return Fail("only whole numbers are allowed");
    }
    value.number = number;
    return true;
  }

  bool ReadString(std::string& out) {
    ++pos_;  // opening quote
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') return true;
      if (c == '\n') return Fail("line end inside a string");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) break;
      const char escaped = text_[pos_++];
      switch (escaped) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'n':
          out += '\n';
          break;
        case 't':
          out += '\t';
          break;
        default:
          return Fail("unsupported escape in a string");
      }
    }
    return Fail("unterminated string");
  }

  bool ReadArray(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::kArray;
    ++pos_;
    SkipSpace();
    if (pos_ < text_.size() && text_[pos_] == ']') {
      ++pos_;
      return true;
    }
    while (true) {
      value.items.emplace_back();
      if (!ReadValue(value.items.back(), depth + 1)) return false;
      SkipSpace();
      if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      return Expect(']');
    }
  }

  bool ReadObject(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::kObject;
    ++pos_;
    SkipSpace();
    if (pos_ < text_.size() && text_[pos_] == '}') {
      ++pos_;
      return true;
    }
    // The keys seen so far, hashed: a duplicate is found in constant time,
    // so an object of many keys is read in linear time.
    std::unordered_set<std::string> keys;
    while (true) {
      SkipSpace();
      if (pos_ >= text_.size() || text_[pos_] != '"') return Fail("expected a quoted key");
      std::string key;
      if (!ReadString(key)) return false;
      if (!keys.insert(key).second) return Fail("key \"" + key + "\" given twice");
      if (!Expect(':')) return false;
      value.members.push_back(JsonMember{std::move(key), JsonValue{}});
      if (!ReadValue(value.members.back().value, depth + 1)) return false;
      SkipSpace();
      if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      return Expect('}');
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 1;
  std::string fault_;
};

}  // namespace

const JsonValue* JsonValue::Member(std::string_view key) const {
  for (const auto& member : members) {
    if (member.key == key) return &member.value;
  }
  return nullptr;
}

bool ParseJson(std::string_view text, JsonValue& value, std::string& fault) {
  JsonReader reader(text);
  value = JsonValue{};
  if (reader.ReadDocument(value)) return true;
  fault = reader.fault();
  return false;
}

}  // namespace tamsel::sim
