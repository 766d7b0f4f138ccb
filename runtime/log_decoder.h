// The reader stage for logs that are not Shift-JIS: each line, as read
// from the file, is written in Shift-JIS (code page 932) before any step
// of the conversion sees it. A character that code page 932 cannot hold,
// and a byte that is not part of a valid character, become the full-width
// mark 〓 and are counted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/log_reading.h"

namespace tess {

class LogDecoder {
 public:
  explicit LogDecoder(LogEncoding encoding = LogEncoding::ShiftJis)
      : encoding_(encoding) {}

  // Appends the Shift-JIS text of one line (or any run of the log's bytes,
  // in the order of the log) to out. ISO-2022-JP's shift state carries
  // from one call to the next; a UTF-8 byte-order mark at the log's start
  // is dropped.
  void decode(std::string_view bytes, std::string& out);

  // The characters replaced by 〓 so far.
  uint64_t replaced() const { return replaced_; }

 private:
  void decodeUtf8(std::string_view bytes, std::string& out);
  void decodeEucJp(std::string_view bytes, std::string& out);
  void decodeIso2022Jp(std::string_view bytes, std::string& out);
  void putMissing(std::string& out);

  enum class Shift { Ascii, Jis0208, Kana, Jis0212 };

  LogEncoding encoding_;
  bool atStart_ = true;
  Shift shift_ = Shift::Ascii;
  uint64_t replaced_ = 0;
};

// The Shift-JIS code of the JIS X 0208 character in row and cell (both
// 0x21..0x7E, as in ISO-2022-JP).
uint16_t shiftJisOfJis(unsigned row, unsigned cell);

}  // namespace tess
