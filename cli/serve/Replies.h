// Answers shared by the server's request handlers: a refusal with its message, and the strict
// reading of a whole number from a request.
#pragma once

#include <httplib.h>

#include <nlohmann/json.hpp>

#include <string>

namespace tintara::serve {

inline void Refuse(httplib::Response& res, int status, const std::string& message) {
  res.status = status;
  res.set_content(nlohmann::json{{"error", message}}.dump(), "application/json");
}

// A whole number 0..limit written with digits only; false for anything else.
inline bool ParseIndex(const std::string& text, int limit, int* out) {
  if (text.empty() || text.size() > 9) return false;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v > limit) return false;
  *out = v;
  return true;
}

}  // namespace tintara::serve
