// Building and writing the one-line JSON objects the operator speaks on stdout.
#pragma once

#include <string>
#include <vector>

std::string jsonQuote(const std::string& utf8);
std::string jsonStringArray(const std::vector<std::string>& items);
std::string jsonArray(const std::vector<std::string>& rawItems);

// Keys keep their insertion order so replies read naturally ("ok" first).
class JsonObject {
 public:
  JsonObject& str(const std::string& key, const std::string& value);
  JsonObject& num(const std::string& key, long long value);
  JsonObject& flag(const std::string& key, bool value);
  JsonObject& null(const std::string& key);
  JsonObject& raw(const std::string& key, const std::string& json);
  JsonObject& merge(const JsonObject& other);
  std::string text() const;

 private:
  std::string body_;
};

// One object per line, flushed at once: the caller blocks on each line.
void writeLine(const JsonObject& object);
