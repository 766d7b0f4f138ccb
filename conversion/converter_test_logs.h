// Logs for the conversion pass's tests, built line by line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tess::testing {

inline std::string pad(std::string s, size_t width) {
  s.resize(width, ' ');
  return s;
}

inline std::string header(const std::string& number, const std::string& title) {
  return number + "/00001 ABC01234  " + pad("guest", 16) + " " + title;
}

inline std::string date(const std::string& mes) {
  return mes + "   97/08/20 21:05  ";
}

inline std::string crlf(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

}  // namespace tess::testing
