// The one-line JSON replies the stage host speaks on stdout (Debian's nlohmann-json3-dev).
#pragma once

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

using Json = nlohmann::ordered_json;  // keys in the order written: replies read naturally

// One object per line, flushed at once: the caller blocks on each line.
inline void writeLine(const Json& object) {
  const std::string line = object.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}
