// Random logs for comparing two ways of converting: lines of every kind the
// pass tells apart (message headers of both layouts with good and bad date
// lines, board lines, no-next-page and GO command lines, control-like lines,
// lines cut inside a double-byte character) mixed with awkward bytes (NUL,
// a lone CR or LF, 0x1A inside and at the end, lead bytes at the end of a
// line or of the file) and, now and then, lines longer than a block of the
// file channels. The same seed always gives the same bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace tess::testing {

class RandomLog {
 public:
  explicit RandomLog(uint32_t seed) : random_(seed) {}

  // About `bytes` bytes of log (the last line may go past).
  std::string generate(size_t bytes) {
    std::string log;
    while (log.size() < bytes) {
      const int kind = pick(100);
      if (kind < 6) {
        header(log);
      } else if (kind < 8) {
        end(log, board());
      } else if (kind < 10) {
        // A no-next-page line with or without the prompt, or a GO command.
        const std::string noNextPage =
            "\x81\x9f\x8e\x9f\x95\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc"
            "\x82\xb9\x82\xf1\x81\x9f";
        const int which = pick(3);
        end(log, which == 0   ? "\x81\x84" + noNextPage
                 : which == 1 ? noNextPage
                              : std::string("\x81\x84go ") + text(6));
      } else if (kind < 11 && pick(5) == 0) {
        end(log, std::string(static_cast<size_t>(65536 + pick(9000)), 'x') +
                     text(3));
      } else {
        end(log, text(static_cast<size_t>(pick(12))));
      }
    }
    // The file's last bytes: a final mark, a lone byte, or nothing more.
    switch (pick(5)) {
      case 0:
        log += '\x1a';
        break;
      case 1:
        log += pick(2) == 0 ? '\x81' : 'z';
        break;
      default:
        break;
    }
    return log;
  }

 private:
  int pick(int n) {
    return static_cast<int>(random_() % static_cast<uint32_t>(n));
  }

  // A line end: mostly CR LF, sometimes a lone CR or none (the next line
  // then goes on in this one).
  void end(std::string& log, const std::string& line) {
    log += line;
    const int kind = pick(40);
    if (kind == 0) {
      log += '\r';
    } else if (kind != 1) {
      log += "\r\n";
    }
  }

  std::string text(size_t pieces) {
    static const std::vector<std::string> kPieces = {
        "#",
        "T",
        "t",
        "w",
        "K",
        "b",
        "e",
        "x",
        " ",
        "  ",
        "/",
        "0",
        "1",
        "9",
        "-",
        "- ",
        " -",
        "(",
        ")",
        "\x81",
        "\x9f",
        "\xe0",
        "\xfc",
        "\xa0",
        "\x40",
        "\x84",
        "\x82\xa0",
        std::string(1, '\0'),
        "\x1a",
        "\n",
        "\x82\xd6",
        "\x81\x94",
        "\x81\x40",
        "RE:",
        "abcdefghijklmnopqrstuvwxyz",
        "\x8a\xbf\x8e\x9a\x82\xcc\x95\xb6"};
    std::string out;
    for (size_t i = 0; i < pieces; ++i) {
      const std::string& piece =
          kPieces[static_cast<size_t>(pick(static_cast<int>(kPieces.size())))];
      out += piece;
    }
    return out;
  }

  std::string board() {
    char text[64];
    std::snprintf(text, sizeof text, "- FGALDC  MES(%02d):", pick(30));
    return text + this->text(2) + " -";
  }

  // A header line of the three- or five-digit layout, then a date line
  // that confirms it or not.
  void header(std::string& log) {
    char head[96];
    const bool five = pick(2) == 0;
    if (five) {
      std::snprintf(head, sizeof head, "%05d/%05d HDB%05d  ", pick(99999),
                    pick(99999), pick(99999));
    } else {
      std::snprintf(head, sizeof head, "%03d/%03d GCA%05d  ", pick(999),
                    pick(999), pick(99999));
    }
    std::string line = head;
    line += "handle\x82\xa0\x82\xa2   ";
    line.resize(five ? 38 : 37, ' ');
    line += ' ';
    line += pick(3) == 0 ? "Re: " : "";
    line += text(static_cast<size_t>(pick(6)));
    end(log, line);
    std::snprintf(head, sizeof head, "(%02d)   %02d/%02d/%02d %02d:%02d  ",
                  pick(4) == 0 ? 0 : pick(30), pick(100), pick(13), pick(32),
                  pick(24), pick(60));
    std::string date = pick(10) == 0 ? text(3) : head;
    if (pick(3) == 0)
      date += "00012\x82\xd6\x82\xcc\x83\x52\x83\x81\x83\x93\x83\x67";
    end(log, date);
  }

  std::mt19937 random_;
};

}  // namespace tess::testing
