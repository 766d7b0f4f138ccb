// Deterministic forum logs of other shapes than the listing session of
// LogGenerator, so that the conversion is measured on the cost of a message
// as well as on the cost of a byte:
//   a  the listing session of LogGenerator;
//   b  short messages: bodies of 1 to 3 lines of 20 to 70 bytes, a board
//      line every 1 to 5 messages with the conference switching between
//      two, page prompts;
//   c  long messages: bodies of 4 to 16 KB;
//   d  mostly noise: three lines of four outside messages (title listings,
//      GO commands, prompts, lines that look like headers but are not);
//   e  Japanese prose: bodies of full lines of Japanese sentences in
//      paragraphs.
// The same shape, size and seed always give the same bytes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "bench/log_generator.h"

namespace tess::bench {

enum class LogShape { Today, Short, Long, Noise, Prose };

struct LogShapeName {
  LogShape shape;
  char letter;
  const char* description;
};

inline constexpr LogShapeName kLogShapes[] = {
    {LogShape::Today, 'a', "listing session"},
    {LogShape::Short, 'b', "short messages"},
    {LogShape::Long, 'c', "long messages"},
    {LogShape::Noise, 'd', "mostly noise"},
    {LogShape::Prose, 'e', "Japanese prose"},
};

inline std::optional<LogShape> shapeFromLetter(std::string_view letter) {
  for (const LogShapeName& name : kLogShapes) {
    if (letter.size() == 1 && letter[0] == name.letter) return name.shape;
  }
  return std::nullopt;
}

inline const LogShapeName& shapeName(LogShape shape) {
  for (const LogShapeName& name : kLogShapes) {
    if (name.shape == shape) return name;
  }
  return kLogShapes[0];
}

class ShapeGenerator : public LogGenerator {
 public:
  // dropNoise: the noise lines of shape d are drawn but not written, so
  // that the same log without them can be compared.
  explicit ShapeGenerator(LogShape shape, uint32_t seed = 1996,
                          bool dropNoise = false)
      : LogGenerator(seed), shape_(shape), dropNoise_(dropNoise) {}

  // At least `bytes` bytes of log, ending after a complete line.
  std::string generate(size_t bytes) {
    if (shape_ == LogShape::Today) return LogGenerator::generate(bytes);
    std::string log;
    log.reserve(bytes + 20000);
    while (log.size() < bytes) visit(log);
    return log;
  }

  // The given number of forum visits of a shape other than a.
  std::string generateVisits(int visits) {
    std::string log;
    for (int i = 0; i < visits; ++i) visit(log);
    return log;
  }

  // Lines written inside messages (header, date line, body, closing blank
  // line) and noise lines written outside them, so far.
  size_t messageLines() const { return messageLines_; }
  size_t noiseLines() const { return noiseLines_; }

 private:
  static constexpr const char* kPagePrompt =
      "\x8E\x9F\x95\xC5(Enter),MES\x94\xD4\x8D\x86(\x94\xD4\x8D\x86),"
      "\x8F\x49\x97\xB9(E)>";  // 次頁(Enter),MES番号(番号),終了(E)>
  static constexpr const char* kNoNextPage =
      "\x81\x84\x81\x9F\x8E\x9F\x95\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC"
      "\x82\xB9\x82\xF1\x81\x9F";  // ＞◆次頁はありません◆

  // One forum visit of the shape: GO command, board lines and messages,
  // the no-next-page line.
  void visit(std::string& log) {
    const int forum = pick(6);
    const int conference = 1 + pick(24);
    if (shape_ == LogShape::Noise) {
      noiseVisit(log, forum, conference);
      return;
    }
    line(log, std::string("\x81\x84" /* ＞ */ "GO ") + kForums[forum]);
    line(log, "");
    if (shape_ == LogShape::Short) {
      // The conference switches between two at every board line.
      const int boards = 2 + pick(10);
      for (int b = 0; b < boards; ++b) {
        boardLine(log, forum, conference + b % 2);
        const int messages = 1 + pick(5);
        for (int i = 0; i < messages; ++i) {
          shortMessage(log, conference + b % 2);
        }
        if (pick(2) == 0) line(log, kPagePrompt);
      }
    } else {
      boardLine(log, forum, conference);
      const int messages = 2 + pick(8);
      for (int i = 0; i < messages; ++i) {
        if (shape_ == LogShape::Long) {
          longMessage(log, conference);
        } else {
          proseMessage(log, conference);
        }
        if (i % 4 == 3) line(log, kPagePrompt);
      }
    }
    line(log, kNoNextPage);
  }

  void counted(std::string& log, std::string_view text) {
    line(log, text);
    ++messageLines_;
  }

  void head(std::string& log, int conference) {
    messageHead(log, conference);
    messageLines_ += 2;
  }

  // Text of words and a little ASCII, cut to exactly length bytes.
  std::string text(size_t length) {
    std::string text;
    while (text.size() < length) {
      text += pick(5) == 0 ? std::string(kAscii[pick(6)]) : word();
    }
    return fit(text, length);
  }

  void shortMessage(std::string& log, int conference) {
    head(log, conference);
    const int lines = 1 + pick(3);
    for (int i = 0; i < lines; ++i) {
      counted(log, text(20 + static_cast<size_t>(pick(51))));
    }
    counted(log, "");
  }

  void longMessage(std::string& log, int conference) {
    head(log, conference);
    const size_t bodyBytes = 4096 + static_cast<size_t>(pick(12289));
    for (size_t written = 0; written < bodyBytes;) {
      const size_t length = std::min<size_t>(
          bodyBytes - written, 1 + static_cast<size_t>(pick(120)));
      counted(log, text(length));
      written += length + 2;
    }
    counted(log, "");
  }

  // Paragraphs of sentences of Japanese words only, each line filled to
  // 70 to 78 bytes; a paragraph starts with a full-width blank.
  void proseMessage(std::string& log, int conference) {
    head(log, conference);
    const int paragraphs = 1 + pick(4);
    for (int p = 0; p < paragraphs; ++p) {
      std::string paragraph = "\x81\x40";  // 　
      const int sentences = 2 + pick(6);
      for (int s = 0; s < sentences; ++s) {
        const int words = 4 + pick(12);
        for (int w = 0; w < words; ++w) paragraph += japaneseWord();
        paragraph += "\x81\x42";  // 。
      }
      while (!paragraph.empty()) {
        const size_t width = 70 + static_cast<size_t>(pick(9));
        const std::string row = fit(paragraph, width);
        const size_t used = row.find_last_not_of(' ') + 1;
        counted(log, std::string_view(row).substr(0, used));
        paragraph.erase(0, used);
      }
    }
    counted(log, "");
  }

  std::string japaneseWord() {
    for (;;) {
      std::string w = word();
      if (w != "\x81\x40" && w != "\x81\x41" && w != "\x81\x42") return w;
    }
  }

  // A visit with three noise lines for each line of a message: the noise
  // stands after the GO command and after the no-next-page line, where the
  // log is skipped until the next board line or header.
  void noiseVisit(std::string& log, int forum, int conference) {
    std::string messages;
    const size_t before = messageLines_;
    const int count = 1 + pick(4);
    for (int i = 0; i < count; ++i) shortMessage(messages, conference);
    const size_t lines = messageLines_ - before;
    line(log, std::string("\x81\x84" /* ＞ */ "GO ") + kForums[forum]);
    const size_t noise = 3 * lines + static_cast<size_t>(pick(4));
    const size_t first = noise / 2;
    for (size_t i = 0; i < first; ++i) noiseLine(log, forum);
    boardLine(log, forum, conference);
    log += messages;
    line(log, kNoNextPage);
    for (size_t i = first; i < noise; ++i) noiseLine(log, forum);
  }

  void noiseLine(std::string& log, int forum) {
    char number[64];
    std::string row;
    switch (pick(6)) {
      case 0:  // a title listing line, indented
        std::snprintf(number, sizeof number, "  %05d %s%05d  ", pick(99999),
                      kIdPrefixes[pick(4)], pick(99999));
        row = number + fit(word() + word(), 12) + " " + text(30);
        break;
      case 1:  // a header-like line whose "/" is not where a header has it
        std::snprintf(number, sizeof number, "No.%05d/%05d ", pick(99999),
                      pick(99999));
        row = number + fit(word() + word(), 16) + " " + text(40);
        break;
      case 2:
        std::snprintf(number, sizeof number, "%05d-%05d ", pick(99999),
                      pick(99999));
        row = number + text(50);
        break;
      case 3:
        row = std::string("\x81\x84" /* ＞ */ "GO ") + kForums[forum];
        break;
      case 4:
        row = kPagePrompt;
        break;
      default:
        row = "\x81\x84";  // ＞, the service's prompt
        break;
    }
    ++noiseLines_;
    if (!dropNoise_) line(log, row);
  }

  LogShape shape_;
  bool dropNoise_;
  size_t messageLines_ = 0;
  size_t noiseLines_ = 0;
};

// Writes a generated log of the shape of at least bytes bytes (the same
// bytes as writeGeneratedLog for shape a).
inline bool writeShapedLog(const std::string& path, size_t bytes,
                           LogShape shape) {
  ShapeGenerator generator(shape);
  return writeLogInPieces(path, bytes, generator);
}

}  // namespace tess::bench
