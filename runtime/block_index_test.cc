// The index of a block against searches written out on the block's bytes.
#include "runtime/block_index.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "runtime/byte_string.h"

namespace tess {
namespace {

bool hasNoX(std::string_view line) {
  return line.find('x') == std::string_view::npos;
}

bool startsWithoutHash(std::string_view line) {
  return line.empty() || line[0] != '#';
}

// The first look of startsWithoutHash: a line may fail when it starts
// with "#", and (needlessly) when its second byte is "x".
bool mayStartWithHash(std::string_view rest) {
  return (!rest.empty() && rest[0] == '#') ||
         (rest.size() > 1 && rest[1] == 'x');
}

// Whether line reading starts a line at from: right after a CR that no LF
// follows, or right after the LF of a CR LF.
bool lineStartsAt(const std::string& data, size_t from) {
  if (from == 0 || from >= data.size()) return false;
  if (data[from - 1] == '\r') return data[from] != '\n';
  return from >= 2 && data[from - 1] == '\n' && data[from - 2] == '\r';
}

// The run of passing CR LF lines from from, one line after the other: a
// line passes when it does not end inside a double-byte character and
// passes the test.
size_t passingRun(const std::string& data, size_t from, size_t limit,
                  bool (*test)(std::string_view)) {
  if (!lineStartsAt(data, from)) return from;
  size_t at = from;
  for (;;) {
    const size_t cr = data.find('\r', at);
    if (cr == std::string::npos || cr + 1 >= data.size() ||
        data[cr + 1] != '\n' || cr + 2 > limit) {
      return at;
    }
    const std::string_view line = std::string_view(data).substr(at, cr - at);
    if (endsInLoneLeadByte(line) || !test(line)) return at;
    at = cr + 2;
  }
}

// Random blocks of every length around the 64-byte steps, some whole:
// lines of random lengths, most ended by CR LF, some by a lone CR. In some
// blocks most bytes are lead-range bytes, in runs across the 64-byte steps.
std::string randomBlock(std::mt19937& random, size_t size) {
  const char alphabet[] = {'\r', '\n', '\0', 'x', '#', '\x82', 'a'};
  const char lead[] = {'\x81', '\x9f', '\xe0', '\xfc'};
  const auto oneIn = static_cast<uint32_t>(2 + random() % 60);
  const auto longestLine = static_cast<uint32_t>(1 + random() % 150);
  const auto loneCrOneIn = static_cast<uint32_t>(2 + random() % 8);
  const bool leadRuns = random() % 2 == 0;
  std::string data;
  while (data.size() < size) {
    std::string line(random() % longestLine, 'a');
    for (char& c : line) {
      if (leadRuns) c = lead[random() % sizeof lead];
      if (random() % oneIn == 0) c = alphabet[random() % sizeof alphabet];
    }
    data += line + (random() % loneCrOneIn == 0 ? "\r" : "\r\n");
  }
  data.resize(size);
  return data;
}

// The scans the processor can do: one byte at a time always, and on these
// processors at least 16-byte vectors.
std::vector<BlockIndex::Scan> scans() {
  std::vector<BlockIndex::Scan> all;
  for (const auto scan : {BlockIndex::Scan::Bytes, BlockIndex::Scan::Sse2,
                          BlockIndex::Scan::Avx2, BlockIndex::Scan::Avx512}) {
    if (BlockIndex::canScan(scan)) all.push_back(scan);
  }
#if defined(__x86_64__)
  EXPECT_GE(all.size(), 2u);
#endif
  return all;
}

class BlockIndexTest : public ::testing::TestWithParam<BlockIndex::Scan> {};

TEST_P(BlockIndexTest, FindsEveryCrAndTheFirstNul) {
  std::mt19937 random(1616);
  auto index = std::make_unique<BlockIndex>(GetParam());
  for (size_t size = 0; size < 300; ++size) {
    for (int round = 0; round < 10; ++round) {
      const std::string data = randomBlock(random, size);
      index->build(data.data(), data.size(), LineTest{});
      ASSERT_EQ(index->size(), size);
      ASSERT_EQ(index->firstNul(), std::min(data.find('\0'), size));
      for (size_t from = 0; from <= size; ++from) {
        ASSERT_EQ(index->crFrom(from), std::min(data.find('\r', from), size))
            << from << " in " << ::testing::PrintToString(data);
      }
    }
  }
}

TEST_P(BlockIndexTest, RunsOfPassingLinesAreTheLinesOneAfterTheOther) {
  // Every line given to the test, and only the lines its first look
  // picks.
  const LineTest tests[] = {{&hasNoX, nullptr},
                            {&startsWithoutHash, &mayStartWithHash}};
  std::mt19937 random(2718);
  auto index = std::make_unique<BlockIndex>(GetParam());
  for (int round = 0; round < 1000; ++round) {
    // Now and then a whole block, whose last word is full.
    const size_t size =
        round % 50 == 0 ? BlockIndex::kMaxBytes : random() % 700;
    const std::string data = randomBlock(random, size);
    const LineTest& test = tests[round % 2];
    index->build(data.data(), data.size(), test);
    const size_t step = size > 1000 ? 97 : 1;
    for (size_t from = 0; from <= size; from += step) {
      const size_t someLimit = from + random() % (size - from + 1);
      for (const size_t limit : {size, someLimit}) {
        ASSERT_EQ(index->passingLinesEnd(from, limit),
                  passingRun(data, from, limit, test.passes))
            << "from " << from << " to " << limit << " in "
            << ::testing::PrintToString(data);
      }
    }
  }
  // Without a test no line passes.
  const std::string lines = "a\r\nb\r\nc\r\n";
  index->build(lines.data(), lines.size(), LineTest{});
  EXPECT_EQ(index->passingLinesEnd(3, lines.size()), 3u);
}

INSTANTIATE_TEST_SUITE_P(EveryScan, BlockIndexTest,
                         ::testing::ValuesIn(scans()));

}  // namespace
}  // namespace tess
