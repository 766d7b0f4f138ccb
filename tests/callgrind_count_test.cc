// convert_bench's instruction mode reads the right number from callgrind's
// output file and counts the records of an output, body lines that look
// like a record's first line included.
#include "bench/callgrind_count.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tess {
namespace {

using bench::callgrindInstructions;
using bench::countRecords;

TEST(CallgrindCount, ReadsTheInstructionsOfTheOutputFile) {
  const struct {
    const char* name;
    std::string text;
    std::optional<uint64_t> instructions;
  } kCases[] = {
      {"summary and totals",
       "# callgrind format\nversion: 1\ncmd: convert_bench --convert a b\n"
       "events: Ir\nsummary: 319412345\n\nfn=(1) main\n5 12\n"
       "totals: 319412345\n",
       319412345},
      {"the summary wins over the totals",
       "events: Ir\nsummary: 100\nfn=(1)\n3 4\ntotals: 99\n", 100},
      {"totals alone", "events: Ir\nfn=(1)\n3 4\ntotals: 77\n", 77},
      {"Ir in another column", "events: Dr Ir Dw\nsummary: 5 123456 7\n",
       123456},
      {"blanks after the number", "events: Ir\nsummary:   42  \r\n", 42},
      {"no events line: the first column", "summary: 8400 3\n", 8400},
      {"a number of twenty digits",
       "events: Ir\nsummary: 18446744073709551615\n", std::nullopt},
      {"the key inside a line", "events: Ir\nfn=summary: 5\n", std::nullopt},
      {"no Ir counted", "events: Dr Dw\nsummary: 5 6\n", std::nullopt},
      {"no number", "events: Ir\nsummary:\ntotals: x1\n", std::nullopt},
      {"an empty file", "", std::nullopt},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(callgrindInstructions(c.text), c.instructions) << c.name;
  }
}

TEST(CallgrindCount, CountsTheRecordsOfAnOutput) {
  const std::string record =
      "#S\r\n#W80\r\n#T\x82\xa0\r\n#K(03)\x81\x97mes\r\n- board -\r\n"
      "00001/00002 GCA00001  handle\r\n(03)   96/01/01 00:00  \r\n"
      "\x81\xa5(03)00001,  \x81\xa3\r\nbody\r\n#E\r\n\r\n";
  const struct {
    const char* name;
    std::string output;
    size_t records;
  } kCases[] = {
      {"empty", "", 0},
      {"only the end mark", "\x1a", 0},
      {"one record", record + "\x1a", 1},
      {"three records", record + record + record + "\x1a", 3},
      {"a body line #S",
       record.substr(0, record.size() - 10) + "#S\r\n'#W80\r\n#E\r\n\r\n" +
           record,
       2},
      {"#S#W80 inside a body line", record + "x#S\r\n#W80\r\n" + record, 2},
      {"a record cut after its first lines", record + "#S\r\n#W80\r\n", 2},
      {"#S at the very end", record + "#S\r\n", 1},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(countRecords(c.output), c.records) << c.name;
  }
}

}  // namespace
}  // namespace tess
