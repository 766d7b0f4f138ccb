// The benchmark's log shapes are what they claim: a small log of each
// shape is read back line by line here, apart from the generator, and
// converted; the messages found, the converter's count and the generator's
// count agree, and each shape's bodies have the sizes and the text of its
// kind.
#include "bench/log_shapes.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "conversion/conversion_assembly.h"
#include "platform/shift_jis.h"
#include "tests/support/fake_file_system.h"

namespace tess {
namespace {

using bench::LogShape;
using bench::ShapeGenerator;
using testing::FakeFileSystem;

struct Converted {
  int messages = -1;
  std::string output;
};

Converted convert(const std::string& log) {
  FakeFileSystem fs;
  fs.setFile("/a.log", log);
  ConversionAssembly run(fs);
  run.convert("/a.log", "/a.ren", ConversionAssembly::OutputMode::New);
  return {run.converter().messageCount(), fs.fileBytes("/a.ren").value_or("")};
}

std::vector<std::string_view> linesOf(std::string_view log) {
  std::vector<std::string_view> lines;
  while (!log.empty()) {
    const size_t end = log.find("\r\n");
    lines.push_back(log.substr(0, end));
    log.remove_prefix(end == std::string_view::npos ? log.size() : end + 2);
  }
  return lines;
}

bool isDigits(std::string_view text) {
  return text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A message as the logs hold it: "NNNNN/NNNNN " then a date line "(NN)",
// the body, a blank line.
struct Message {
  std::vector<std::string_view> body;
  int conference = 0;
};

// The lines are views of the log read, which must outlive the reading.
struct Reading {
  std::vector<Message> messages;
  std::vector<int> boardConferences;     // of each board line, in order
  std::vector<int> messagesBeforeBoard;  // messages since the last board
  size_t lines = 0, linesInMessages = 0;
};

Reading read(std::string_view log) {
  Reading reading;
  const auto lines = linesOf(log);
  reading.lines = lines.size();
  int sinceBoard = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.starts_with("- ") && line.ends_with(" -")) {
      const size_t mes = line.find("MES(");
      reading.boardConferences.push_back(
          mes == std::string_view::npos
              ? -1
              : std::stoi(std::string(line.substr(mes + 4, 2))));
      reading.messagesBeforeBoard.push_back(sinceBoard);
      sinceBoard = 0;
      continue;
    }
    const bool header = line.size() > 12 && isDigits(line.substr(0, 5)) &&
                        line[5] == '/' && isDigits(line.substr(6, 5)) &&
                        i + 1 < lines.size() && lines[i + 1].starts_with("(");
    if (!header) continue;
    Message message;
    message.conference = std::stoi(std::string(lines[i + 1].substr(1, 2)));
    size_t j = i + 2;
    while (j < lines.size() && !lines[j].empty())
      message.body.push_back(lines[j++]);
    reading.linesInMessages += j + 1 - i;
    reading.messages.push_back(message);
    ++sinceBoard;
    i = j;
  }
  return reading;
}

size_t bodyBytes(const Message& message) {
  size_t bytes = 0;
  for (const auto line : message.body) bytes += line.size() + 2;
  return bytes;
}

// True when every character of the text is a double-byte one.
bool allDoubleByte(std::string_view text) {
  for (size_t i = 0; i < text.size(); i += 2) {
    if (!platform::isLeadByte(static_cast<unsigned char>(text[i])) ||
        i + 1 == text.size()) {
      return false;
    }
  }
  return true;
}

constexpr size_t kLogBytes = 300 * 1000;

TEST(LogShapesTest, EveryShapeConvertsToTheMessagesItWasMadeOf) {
  for (const auto& name : bench::kLogShapes) {
    SCOPED_TRACE(name.letter);
    ShapeGenerator generator(name.shape, 7);
    const std::string log = generator.generate(kLogBytes);
    EXPECT_GE(log.size(), kLogBytes);
    EXPECT_EQ(log, ShapeGenerator(name.shape, 7).generate(kLogBytes));
    const Reading reading = read(log);
    const Converted converted = convert(log);
    EXPECT_GT(generator.messages(), 10);
    EXPECT_EQ(static_cast<int>(reading.messages.size()), generator.messages());
    EXPECT_EQ(converted.messages, generator.messages());
  }
}

TEST(LogShapesTest, ShortMessagesHaveShortBodiesAndFrequentBoardLines) {
  const std::string log =
      ShapeGenerator(LogShape::Short, 3).generate(kLogBytes);
  const Reading reading = read(log);
  for (const Message& message : reading.messages) {
    ASSERT_GE(message.body.size(), 1u);
    ASSERT_LE(message.body.size(), 3u);
    for (const auto line : message.body) {
      ASSERT_GE(line.size(), 20u);
      ASSERT_LE(line.size(), 70u);
    }
  }
  // The first board line has no messages before it.
  for (size_t i = 1; i < reading.messagesBeforeBoard.size(); ++i) {
    ASSERT_GE(reading.messagesBeforeBoard[i], 1);
    ASSERT_LE(reading.messagesBeforeBoard[i], 5);
  }
  int switches = 0;
  for (size_t i = 1; i < reading.boardConferences.size(); ++i) {
    switches += reading.boardConferences[i] != reading.boardConferences[i - 1];
  }
  EXPECT_GT(switches * 4,
            static_cast<int>(reading.boardConferences.size()) * 3);
}

TEST(LogShapesTest, LongMessagesHaveBodiesOfFourToSixteenKilobytes) {
  const std::string log = ShapeGenerator(LogShape::Long, 3).generate(kLogBytes);
  const Reading reading = read(log);
  ASSERT_GT(reading.messages.size(), 10u);
  for (const Message& message : reading.messages) {
    EXPECT_GE(bodyBytes(message), 4096u);
    EXPECT_LE(bodyBytes(message), 16384u + 128u);
  }
}

TEST(LogShapesTest, ProseBodiesAreJapaneseOnly) {
  const std::string log =
      ShapeGenerator(LogShape::Prose, 3).generate(kLogBytes);
  const Reading reading = read(log);
  ASSERT_GT(reading.messages.size(), 10u);
  for (const Message& message : reading.messages) {
    for (const auto line : message.body) {
      ASSERT_TRUE(allDoubleByte(line)) << line;
      ASSERT_LE(line.size(), 78u);
    }
  }
}

// Three lines in four stand outside messages, and they are noise the
// conversion skips: the log without them converts to the same records.
TEST(LogShapesTest, NoiseLinesStandOutsideMessages) {
  ShapeGenerator generator(LogShape::Noise, 3);
  const std::string log = generator.generateVisits(300);
  const Reading reading = read(log);
  EXPECT_GE(reading.lines - reading.linesInMessages, reading.lines * 3 / 4);
  const std::string quiet =
      ShapeGenerator(LogShape::Noise, 3, true).generateVisits(300);
  EXPECT_LT(quiet.size() * 2, log.size());
  const Converted noisy = convert(log);
  const Converted clean = convert(quiet);
  EXPECT_EQ(noisy.messages, generator.messages());
  EXPECT_EQ(noisy.output, clean.output);
}

}  // namespace
}  // namespace tess
