// What convert_bench's instruction mode reads: the total of instructions in
// the file that callgrind writes, and the number of records in a
// conversion's output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tess::bench {

namespace callgrind_detail {

// The line of text that starts with key (at the start of a line), without
// the key; nullopt when there is none.
inline std::optional<std::string_view> lineAfter(std::string_view text,
                                                 std::string_view key) {
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    if (line.substr(0, key.size()) == key) return line.substr(key.size());
    start = end + 1;
  }
  return std::nullopt;
}

// The blank-separated word of line at index (0 the first).
inline std::string_view wordAt(std::string_view line, size_t index) {
  size_t start = 0;
  for (size_t i = 0;; ++i) {
    start = line.find_first_not_of(" \t\r", start);
    if (start == std::string_view::npos) return {};
    size_t end = line.find_first_of(" \t\r", start);
    if (end == std::string_view::npos) end = line.size();
    if (i == index) return line.substr(start, end - start);
    start = end;
  }
}

inline std::optional<uint64_t> number(std::string_view word) {
  if (word.empty() || word.size() > 19) return std::nullopt;
  uint64_t value = 0;
  for (const char c : word) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value;
}

}  // namespace callgrind_detail

// The instructions executed (the event Ir) as the "summary:" line of a
// callgrind output file gives them, or its "totals:" line when there is no
// summary. The "events:" line says in which column Ir stands (the first
// when that line is missing). nullopt when the file does not count Ir or
// neither line has a number there.
inline std::optional<uint64_t> callgrindInstructions(std::string_view text) {
  using namespace callgrind_detail;
  size_t column = 0;
  if (const auto events = lineAfter(text, "events:")) {
    for (column = 0;; ++column) {
      const std::string_view event = wordAt(*events, column);
      if (event.empty()) return std::nullopt;
      if (event == "Ir") break;
    }
  }
  auto total = lineAfter(text, "summary:");
  if (!total) total = lineAfter(text, "totals:");
  if (!total) return std::nullopt;
  return number(wordAt(*total, column));
}

// The records in the bytes of an output: each starts with the line "#S"
// followed by the line "#W80". A body line may read "#S", but a body line
// "#W80" always has "'" in front, so the pair marks a record alone.
inline size_t countRecords(std::string_view output) {
  constexpr std::string_view kStart = "#S\r\n#W80\r\n";
  size_t count = 0;
  for (size_t at = output.find(kStart); at != std::string_view::npos;
       at = output.find(kStart, at + 1)) {
    if (at == 0 || output[at - 1] == '\n') ++count;
  }
  return count;
}

}  // namespace tess::bench
