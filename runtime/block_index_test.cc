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

// The index written out one byte at a time, from what line reading and
// the test say of each line: the answers every index must give.
class ByteAtATimeIndex {
 public:
  ByteAtATimeIndex(const std::string& data, const LineTest& test)
      : data_(data), passes_(data.size() + 1, false) {
    for (size_t start = 1; start < data.size(); ++start) {
      if (lineStartsAt(data, start)) passes_[start] = linePasses(start, test);
    }
  }

  size_t firstNul() const {
    size_t at = 0;
    while (at < data_.size() && data_[at] != '\0') ++at;
    return at;
  }

  size_t crFrom(size_t from) const {
    size_t at = from;
    while (at < data_.size() && data_[at] != '\r') ++at;
    return std::min(at, data_.size());
  }

  // Line after line from from, while each passes and its CR LF ends at or
  // before limit.
  size_t passingLinesEnd(size_t from, size_t limit) const {
    if (!lineStartsAt(data_, from)) return from;
    size_t at = from;
    while (at < data_.size() && passes_[at]) {
      const size_t next = crFrom(at) + 2;
      if (next > limit) break;
      at = next;
    }
    return at;
  }

 private:
  // Whether the line that starts at start ends by CR LF in the block, does
  // not end inside a double-byte character (the characters walked from the
  // line's start), and passes the test where its first look asks for it.
  bool linePasses(size_t start, const LineTest& test) const {
    const size_t end = crFrom(start);
    if (end + 1 >= data_.size() || data_[end + 1] != '\n') return false;
    size_t at = start;
    while (at < end) {
      const bool lead = isLeadByte(static_cast<unsigned char>(data_[at]));
      if (lead && at + 1 == end) return false;
      at += lead ? 2 : 1;
    }
    if (test.passes == nullptr) return false;
    const std::string_view rest = std::string_view(data_).substr(start);
    if (test.mayFail != nullptr && !test.mayFail(rest)) return true;
    return test.passes(rest.substr(0, end - start));
  }

  const std::string& data_;
  std::vector<bool> passes_;
};

// A line fails when it starts with "#", "-" or 0x81 0x84, or has "/" three
// or five bytes on.
bool startsPlainly(std::string_view line) {
  return !(line.starts_with('#') || line.starts_with('-') ||
           line.starts_with("\x81\x84") ||
           (line.size() > 3 && line[3] == '/') ||
           (line.size() > 5 && line[5] == '/'));
}

// Its first look from the line's first bytes: the same places.
bool mayNotStartPlainly(std::string_view rest) {
  return !startsPlainly(rest.substr(0, 6));
}

// A first look that lets through lines that fail: the index must trust it.
bool mayNotStartWithHash(std::string_view rest) {
  return rest.starts_with('#');
}

// Random blocks made of the bytes the index looks at, many of them at the
// 64-byte steps: CR, LF, CR LF, NUL, the lead-range bytes at the ranges'
// edges and those just outside them, the first bytes the tests look at,
// and plain text between.
std::string edgyBlock(std::mt19937& random, size_t size) {
  static const std::vector<std::string> pieces = {
      "\r",       "\n",       "\r\n", std::string(1, '\0'),
      "\x81",     "\x9f",     "\xe0", "\xfc",
      "\x80",     "\xa0",     "\xdf", "\xfd",
      "\xff",     "#",        "-",    "/",
      "\x81\x84", "\x81\x9f", "a",    "ab/de/g"};
  const auto plainOneIn = static_cast<uint32_t>(1 + random() % 8);
  std::string data;
  while (data.size() < size) {
    if (random() % plainOneIn != 0) {
      data += pieces[random() % pieces.size()];
    } else {
      data += std::string(random() % 40, random() % 2 == 0 ? 'a' : '\x82');
      data += "\r\n";
    }
  }
  data.resize(size);
  // Around some 64-byte steps, pieces laid over the step itself.
  for (size_t step = 64; step + 2 < size; step += 64) {
    if (random() % 2 != 0) continue;
    const std::string& piece = pieces[random() % pieces.size()];
    const size_t at = step - random() % 3;
    data.replace(at, std::min(piece.size(), size - at), piece, 0,
                 std::min(piece.size(), size - at));
  }
  return data;
}

void expectSameAsByteAtATime(const BlockIndex& index, const std::string& data,
                             const LineTest& test, size_t fromStep,
                             std::mt19937& random) {
  const ByteAtATimeIndex reference(data, test);
  const size_t size = data.size();
  ASSERT_EQ(index.size(), size);
  ASSERT_EQ(index.firstNul(), reference.firstNul());
  for (size_t from = 0; from <= size; ++from) {
    ASSERT_EQ(index.crFrom(from), reference.crFrom(from)) << from;
  }
  for (size_t from = 0; from <= size; from += fromStep) {
    std::vector<size_t> limits = {size, from + random() % (size - from + 1)};
    if (fromStep == 1 && lineStartsAt(data, from)) {
      for (size_t limit = 0; limit <= size; ++limit) limits.push_back(limit);
    }
    for (const size_t limit : limits) {
      ASSERT_EQ(index.passingLinesEnd(from, limit),
                reference.passingLinesEnd(from, limit))
          << "from " << from << " to " << limit << " in "
          << ::testing::PrintToString(data);
    }
  }
}

// The bytes of mayNotStartPlainly: its first bytes and its "/".
constexpr PickingBytes kPlainStartBytes{"#-\x81", '/', {3, 5}, 2};

TEST_P(BlockIndexTest, EveryAnswerIsTheByteAtATimeIndexs) {
  const LineTest tests[] = {
      {&startsPlainly, &mayNotStartPlainly},
      {&startsPlainly, &mayNotStartWithHash},
      {&hasNoX, nullptr},
      {},
      {&startsPlainly, &mayNotStartPlainly, kPlainStartBytes},
      {&startsPlainly, nullptr, kPlainStartBytes},
      {&startsWithoutHash, &mayStartWithHash, PickingBytes{"#", 'x', {1}, 1}},
      {&startsWithoutHash, nullptr, PickingBytes{"#", 0, {}, 0}}};
  std::mt19937 random(6502);
  auto index = std::make_unique<BlockIndex>(GetParam());
  for (size_t size = 0; size <= 200; ++size) {
    for (int round = 0; round < 8; ++round) {
      const std::string data = edgyBlock(random, size);
      const LineTest& test = tests[round];
      index->build(data.data(), data.size(), test);
      expectSameAsByteAtATime(*index, data, test, 1, random);
    }
  }
  // Blocks at and near the largest, and one in which every line passes.
  for (const size_t size :
       {BlockIndex::kMaxBytes, BlockIndex::kMaxBytes - 1,
        BlockIndex::kMaxBytes - 2, BlockIndex::kMaxBytes - 63}) {
    for (const LineTest& test : tests) {
      const std::string data = edgyBlock(random, size);
      index->build(data.data(), data.size(), test);
      expectSameAsByteAtATime(*index, data, test, 3, random);
    }
  }
  std::string passing;
  while (passing.size() < BlockIndex::kMaxBytes - 100) {
    passing += std::string(2 * (random() % 50), '\x82') + "\r\n";
  }
  index->build(passing.data(), passing.size(), tests[0]);
  EXPECT_EQ(index->passingLinesEnd(passing.find('\n') + 1, passing.size()),
            passing.size());
  expectSameAsByteAtATime(*index, passing, tests[0], 101, random);
}

// The lines given to mayFail, counted: the scans run on this thread.
size_t firstLooks = 0;

bool countedMayNotStartPlainly(std::string_view rest) {
  ++firstLooks;
  return mayNotStartPlainly(rest);
}

TEST_P(BlockIndexTest, OnlyTheLinesThePickingBytesPickAreLookedAt) {
  // Lines of 64 bytes with their CR LF, so that each starts a word: the
  // bytes picked near a word's end cannot pick them. Every fifth line
  // starts with "#", every seventh has "/" five bytes on, and each has a
  // "/" near its end, which picks no line start. A scan that does not look
  // at the bytes gives every line to mayFail.
  std::string block;
  size_t picked = 0;
  size_t lines = 0;
  for (size_t line = 0; line < 500; ++line) {
    std::string text(62, 'a');
    const bool hash = line % 5 == 0;
    const bool slash = line % 7 == 0;
    if (hash) text[0] = '#';
    if (slash) text[5] = '/';
    text[61] = '/';
    // The first line's start is not known to the index.
    if (line > 0 && (hash || slash)) ++picked;
    if (line > 0) ++lines;
    block += text + "\r\n";
  }
  auto index = std::make_unique<BlockIndex>(GetParam());
  firstLooks = 0;
  index->build(block.data(), block.size(),
               {&startsPlainly, &countedMayNotStartPlainly, kPlainStartBytes});
  EXPECT_EQ(firstLooks,
            BlockIndex::looksAtPickingBytes(GetParam()) ? picked : lines);
  // The lines not picked pass: the run from the second line stops at the
  // first that fails.
  EXPECT_EQ(index->passingLinesEnd(64, block.size()), 5u * 64);
}

INSTANTIATE_TEST_SUITE_P(EveryScan, BlockIndexTest,
                         ::testing::ValuesIn(scans()));

}  // namespace
}  // namespace tess
