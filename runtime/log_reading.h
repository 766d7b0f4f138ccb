// How a log is read: in which encoding its text is, and which bytes end its
// lines. Logs written by the terminal program are Shift-JIS with CR or
// CR LF ends; logs that went through other systems since may have LF ends
// or be UTF-8, EUC-JP or ISO-2022-JP. The decision is taken once, from the
// log's first block, on evidence that a Shift-JIS log never gives.
#pragma once

#include <cstdint>
#include <string_view>

namespace tess {

enum class LogEncoding { Auto, ShiftJis, Utf8, EucJp, Iso2022Jp };
enum class LineEnds { Auto, Cr, Lf };

// What the user asked for (Auto: decided from the log).
struct LogChoice {
  LogEncoding encoding = LogEncoding::Auto;
  LineEnds lineEnds = LineEnds::Auto;
};

// What the first block looked like, for a log in which no message was
// found: why that may be.
enum class LogLook {
  Plain,        // nothing that would explain it
  LfEnds,       // it has LF ends but is read with CR ends
  NotShiftJis,  // its text is not Shift-JIS (nor one of the others)
  NotText,      // NUL bytes or other control bytes: not a text file
};

struct LogReading {
  LogEncoding encoding = LogEncoding::ShiftJis;
  LineEnds lineEnds = LineEnds::Cr;
  LogLook look = LogLook::Plain;
  // Decided from the log (not asked for).
  bool encodingDecided = true;
  bool lineEndsDecided = true;

  // Read as the terminal program wrote it: the bytes of the lines are
  // taken as they are.
  bool plain() const {
    return encoding == LogEncoding::ShiftJis && lineEnds == LineEnds::Cr;
  }
};

// The size of the block the decision looks at.
constexpr size_t kDecisionBytes = size_t{1} << 16;

// The encoding of a block of text (at most kDecisionBytes are looked at):
// UTF-8 when it starts with a byte-order mark or every byte above 0x7F
// belongs to a valid UTF-8 sequence and there are a few of them; EUC-JP
// when every such byte belongs to a valid EUC-JP character and there are a
// few of them; ISO-2022-JP when it has no byte above 0x7F and switches to
// JIS X 0208 by its escape sequence; Shift-JIS otherwise (ASCII too).
// whole: the block is the whole log (a character cut at its end is then
// not valid).
LogEncoding decideEncoding(std::string_view block, bool whole);

// LF when the block has LF bytes and no CR at all, CR otherwise.
LineEnds decideLineEnds(std::string_view block);

// The reading of a log from its first block and the user's choice.
LogReading decideLogReading(std::string_view block, bool whole,
                            LogChoice choice);
// decideLogReading without the look (left Plain): what reading the log
// needs. The look tells only why a log gave no message, and takes a walk
// over the whole block.
LogReading decideHowToRead(std::string_view block, bool whole,
                           LogChoice choice);
// The look of decideLogReading for a log read as decided.
LogLook decideLook(std::string_view block, const LogReading& reading);

}  // namespace tess
