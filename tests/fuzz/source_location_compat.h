// Force-included into the fuzz build (run_fuzz.sh) for clang releases before
// 15, whose builtins the standard library's <source_location> needs: gives
// the same std::source_location from the older builtins. Newer compilers
// use the library's own and ignore this file.
#pragma once

#if defined(__clang__) && !__has_builtin(__builtin_source_location)
#include <cstdint>

namespace std {

struct source_location {
  static constexpr source_location current(
      std::uint_least32_t line = __builtin_LINE(),
      std::uint_least32_t column = __builtin_COLUMN(),
      const char* file = __builtin_FILE(),
      const char* function = __builtin_FUNCTION()) noexcept {
    source_location where;
    where.line_ = line;
    where.column_ = column;
    where.file_ = file;
    where.function_ = function;
    return where;
  }
  constexpr source_location() noexcept = default;
  constexpr std::uint_least32_t line() const noexcept { return line_; }
  constexpr std::uint_least32_t column() const noexcept { return column_; }
  constexpr const char* file_name() const noexcept { return file_; }
  constexpr const char* function_name() const noexcept { return function_; }

 private:
  std::uint_least32_t line_ = 0;
  std::uint_least32_t column_ = 0;
  const char* file_ = "";
  const char* function_ = "";
};

}  // namespace std
#endif
