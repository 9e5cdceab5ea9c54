#ifndef FENDREL_TESTS_SUPPORT_MANIFESTJSON_H
#define FENDREL_TESTS_SUPPORT_MANIFESTJSON_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A small JSON reader for the test corpus's manifest: objects, arrays, strings (UTF-8,
// with \u escapes), numbers, true, false and null. Throws std::runtime_error on bad input.
namespace testjson {

class Value {
 public:
  enum class Kind { Null, Bool, Number, String, Array, Object };

  Kind kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<Value> items;
  std::map<std::string, Value> members;

  bool IsNull() const { return kind == Kind::Null; }
  // Member access: a missing member answers a null value.
  const Value& operator[](const std::string& key) const;
  const Value& operator[](std::size_t index) const { return items.at(index); }
  std::size_t size() const { return kind == Kind::Array ? items.size() : members.size(); }
  bool Has(const std::string& key) const { return members.count(key) != 0; }
  std::int64_t AsInt() const { return static_cast<std::int64_t>(number); }
};

Value Parse(std::string_view text);
Value ParseFile(const std::string& path);

}  // namespace testjson

#endif
