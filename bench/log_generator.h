// A deterministic forum log for benchmarks: Shift-JIS text with CR LF line
// ends shaped like a listing session: board lines, message header and date
// lines, message bodies of 0 to 120 bytes per line (Japanese text with some
// ASCII), page prompts, no-next-page lines and GO commands. The same size and
// seed always give the same bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

#include "platform/shift_jis.h"

namespace tess::bench {

class LogGenerator {
 public:
  explicit LogGenerator(uint32_t seed = 1996) : random_(seed) {}

  // At least `bytes` bytes of log, ending after a complete line.
  std::string generate(size_t bytes) {
    std::string log;
    log.reserve(bytes + 4096);
    while (log.size() < bytes) listing(log);
    return log;
  }

  // The number of messages generated so far.
  int messages() const { return messages_; }

 protected:
  // One forum visit: GO command, board line, a run of messages with page
  // prompts, and the no-next-page line.
  void listing(std::string& log) {
    const int forum = pick(6);
    const int conference = 1 + pick(25);
    line(log, std::string("\x81\x84" /* ＞ */ "GO ") + kForums[forum]);
    line(log, "");
    boardLine(log, forum, conference);
    const int messages = 5 + pick(40);
    for (int i = 0; i < messages; ++i) {
      message(log, conference);
      if (i % 8 == 7) {
        line(log,
             "\x8E\x9F\x95\xC5(Enter),MES\x94\xD4\x8D\x86(\x94\xD4\x8D\x86),"
             "\x8F\x49\x97\xB9(E)>");  // 次頁(Enter),MES番号(番号),終了(E)>
      }
    }
    line(log,
         "\x81\x84\x81\x9F\x8E\x9F\x95\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC"
         "\x82\xB9\x82\xF1\x81\x9F");  // ＞◆次頁はありません◆
  }

  void message(std::string& log, int conference) {
    messageHead(log, conference);
    const int bodyLines = 1 + pick(30);
    for (int i = 0; i < bodyLines; ++i) {
      const size_t length = static_cast<size_t>(pick(121));
      std::string text;
      while (text.size() < length) {
        text += pick(5) == 0 ? std::string(kAscii[pick(6)]) : word();
      }
      line(log, fit(text, length));
    }
    line(log, "");
  }

  // The header line and the date line of one message in the conference.
  void messageHead(std::string& log, int conference) {
    ++messages_;
    char head[64];
    const unsigned number = 1 + static_cast<unsigned>(pick(99998));
    std::snprintf(head, sizeof head, "%05u/%05u ", number,
                  (number + static_cast<unsigned>(pick(50))) % 100000);
    std::string header = head;
    std::snprintf(head, sizeof head, "%s%05u  ", kIdPrefixes[pick(4)],
                  static_cast<unsigned>(pick(99999)));
    header += head;
    header += fit(word() + word(), 16);  // handle
    header += " ";
    while (header.size() < 60 + static_cast<size_t>(pick(30))) {
      header += word();
    }
    line(log, header);

    std::string date = "(";
    date += twoDigits(conference);
    date += ")   ";
    std::snprintf(head, sizeof head, "%02d/%02d/%02d %02d:%02d  ", 90 + pick(8),
                  1 + pick(12), 1 + pick(28), pick(24), pick(60));
    date += head;
    if (pick(3) == 0) {
      std::snprintf(head, sizeof head, "%05u", number > 1 ? number - 1 : 1);
      date += head;
      date +=
          "\x82\xD6\x82\xCC\x83\x52\x83\x81\x83\x93\x83\x67";  // へのコメント
    }
    line(log, date);
  }

  // Cuts s to at most n bytes without splitting a double-byte character,
  // then pads with blanks to exactly n bytes.
  static std::string fit(const std::string& s, size_t n) {
    size_t end = 0;
    while (end < s.size()) {
      const auto b = static_cast<unsigned char>(s[end]);
      const size_t width = platform::isLeadByte(b) ? 2 : 1;
      if (end + width > n) break;
      end += width;
    }
    return s.substr(0, end) + std::string(n - end, ' ');
  }

  static void line(std::string& log, std::string_view text) {
    log += text;
    log += "\r\n";
  }

  // The board line of a forum's conference, with a random label.
  void boardLine(std::string& log, int forum, int conference) {
    std::string board = "- ";
    board += kForums[forum];
    board += "  MES(";
    board += twoDigits(conference);
    board += "):";
    board += word();
    board += "\x89\xEF\x8B\x63\x8E\xBA";  // 会議室
    board += " -";
    line(log, board);
  }

  static std::string twoDigits(int n) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", n);
    return text;
  }

  std::string word() { return kWords[pick(sizeof kWords / sizeof *kWords)]; }

  int pick(size_t n) { return static_cast<int>(random_() % n); }

  static constexpr const char* kForums[] = {"FGALDC", "FGALEL", "FTRAN1",
                                            "FMKTG",  "FWINMM", "FBOOK"};
  static constexpr const char* kIdPrefixes[] = {"GCA", "HDB", "MHA", "PXE"};
  static constexpr const char* kAscii[] = {"Windows ", "OK ",    "FAQ ",
                                           "1996 ",    "(^_^) ", "PC-9801 "};
  static constexpr const char* kWords[] = {
      "\x82\xC5\x82\xB7",                          // です
      "\x82\xDC\x82\xB7",                          // ます
      "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD",  // こんにちは
      "\x89\xEF\x8B\x63\x8E\xBA",                  // 会議室
      "\x8C\x66\x8E\xA6\x94\xC2",                  // 掲示板
      "\x95\xD4\x90\x4D",                          // 返信
      "\x82\xA0\x82\xE8\x82\xAA\x82\xC6\x82\xA4",  // ありがとう
      "\x82\xE6\x82\xEB\x82\xB5\x82\xAD",          // よろしく
      "\x81\x42",                                  // 。
      "\x81\x41",                                  // 、
      "\x83\x65\x83\x58\x83\x67",                  // テスト
      "\x8E\xBF\x96\xE2",                          // 質問
      "\x89\xF1\x93\x9A",                          // 回答
      "\x90\xE6\x93\xFA",                          // 先日
      "\x97\xE1\x82\xCC\x8C\x8F",                  // 例の件
      "\x82\xC9\x82\xC2\x82\xA2\x82\xC4",          // について
      "\x8B\xB3\x82\xA6\x82\xC4",                  // 教えて
      "\x82\xAD\x82\xBE\x82\xB3\x82\xA2",          // ください
      "\x8E\x76\x82\xA2\x82\xDC\x82\xB7",          // 思います
      "\x8A\x6D\x94\x46",                          // 確認
      "\x82\xB5\x82\xDC\x82\xB5\x82\xBD",          // しました
      "\x83\x70\x83\x5C\x83\x52\x83\x93",          // パソコン
      "\x92\xCA\x90\x4D",                          // 通信
      "\x83\x74\x83\x48\x81\x5B\x83\x89\x83\x80",  // フォーラム
      "\x94\xAD\x8C\xBE",                          // 発言
      "\x93\xC7\x82\xDD",                          // 読み
      "\x8D\xA1\x93\xFA",                          // 今日
      "\x96\xBE\x93\xFA",                          // 明日
      "\x90\x56\x82\xB5\x82\xA2",                  // 新しい
      "\x83\x5C\x83\x74\x83\x67",                  // ソフト
      "\x93\xAE\x82\xAB\x82\xDC\x82\xB9\x82\xF1",  // 動きません
      "\x90\xDD\x92\xE8",                          // 設定
      "\x83\x74\x83\x40\x83\x43\x83\x8B",          // ファイル
      "\x81\x75",                                  // 「
      "\x81\x76",                                  // 」
      "\x81\x49",                                  // ！
      "\x81\x48",                                  // ？
      "\x8E\x84\x82\xE0",                          // 私も
      "\x93\xAF\x82\xB6",                          // 同じ
      "\x96\xE2\x91\xE8",                          // 問題
      "\x82\xCB",                                  // ね
      "\x81\x40",                                  // 　
  };

  std::mt19937 random_;
  int messages_ = 0;  // message headers written so far
};

// Writes at least bytes bytes of the generator's log to path, a piece of
// about 1 MB at a time, so that the benchmark itself never holds the log.
// False when the file cannot be written.
template <typename Generator>
bool writeLogInPieces(const std::string& path, size_t bytes,
                      Generator& generator) {
  std::ofstream out(path, std::ios::binary);
  constexpr size_t kPiece = 1 << 20;
  for (size_t written = 0; written < bytes;) {
    const std::string piece = generator.generate(kPiece);
    out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    written += piece.size();
  }
  return static_cast<bool>(out);
}

// Writes a generated log of at least bytes bytes.
inline bool writeGeneratedLog(const std::string& path, size_t bytes) {
  LogGenerator generator;
  return writeLogInPieces(path, bytes, generator);
}

}  // namespace tess::bench
