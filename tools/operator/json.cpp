#include "json.h"

#include <cstdio>

std::string jsonQuote(const std::string& utf8) {
  std::string out = "\"";
  for (char ch : utf8) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string jsonArray(const std::vector<std::string>& rawItems) {
  std::string out = "[";
  for (size_t i = 0; i < rawItems.size(); ++i) {
    if (i > 0) out += ",";
    out += rawItems[i];
  }
  return out + "]";
}

std::string jsonStringArray(const std::vector<std::string>& items) {
  std::vector<std::string> quoted;
  for (const std::string& item : items) quoted.push_back(jsonQuote(item));
  return jsonArray(quoted);
}

JsonObject& JsonObject::raw(const std::string& key, const std::string& json) {
  if (!body_.empty()) body_ += ",";
  body_ += jsonQuote(key) + ":" + json;
  return *this;
}

JsonObject& JsonObject::str(const std::string& key, const std::string& value) { return raw(key, jsonQuote(value)); }

JsonObject& JsonObject::num(const std::string& key, long long value) { return raw(key, std::to_string(value)); }

JsonObject& JsonObject::flag(const std::string& key, bool value) { return raw(key, value ? "true" : "false"); }

JsonObject& JsonObject::null(const std::string& key) { return raw(key, "null"); }

JsonObject& JsonObject::merge(const JsonObject& other) {
  if (!other.body_.empty()) {
    if (!body_.empty()) body_ += ",";
    body_ += other.body_;
  }
  return *this;
}

std::string JsonObject::text() const { return "{" + body_ + "}"; }

void writeLine(const JsonObject& object) {
  std::string line = object.text() + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}
