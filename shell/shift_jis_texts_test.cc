// The build writes the program's UTF-8 texts in Shift-JIS (code page 932).
// These texts' bytes are written out here: a wrong conversion table, or a
// wrong escape (a trail byte 0x5C, a hex digit after a kanji, a half-width
// katakana), changes them.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "conversion/log_reading_texts.h"
#include "runtime/error_messages.h"
#include "runtime/runtime_error.h"
#include "shell/shell_texts.inc"

namespace tess {
namespace {

struct KnownText {
  const char* what;
  std::string generated;
  std::string_view shiftJis;
};

TEST(ShiftJisTexts, KnownTextsHaveTheirCodePage932Bytes) {
  LogReading notShiftJis;
  notShiftJis.look = LogLook::NotShiftJis;
  const KnownText known[] = {
      // 表の範囲外です: "表" ends in 0x5C.
      {"error 9's meaning",
       std::string(errorMeaning(err::kSubscriptOutOfRange)),
       "\x95\x5C\x82\xCC\x94\xCD\x88\xCD\x8A\x4F\x82\xC5\x82\xB7"},
      // 行]:エラー: "行" ends in "s".
      {"the error report", formatErrorReport("M.cc", 12, 67).str(),
       "\r\nM.cc [12\x8D\x73]:\x83\x47\x83\x89\x81\x5B[67]"},
      // "・" before "E", a hex digit.
      {"the look of a log that is not Shift-JIS", lookNotice(notShiftJis).str(),
       "Shift-JIS \x82\xC5\x82\xE0 UTF-8\x81\x45"
       "EUC-JP\x81\x45"
       "ISO-2022-JP \x82\xC5\x82\xE0\x82\xC8\x82\xA2\x95\xB6\x8E\x9A\x82\xAA"
       "\x91\xBD\x82\xA2\x83\x8D\x83\x4F\x82\xC5\x82\xB7"},
      // Shift-JIS にない文字 3 個を〓にしました
      {"the replaced characters' notice", replacedNotice(3).str(),
       "Shift-JIS \x82\xC9\x82\xC8\x82\xA2\x95\xB6\x8E\x9A 3 "
       "\x8C\xC2\x82\xF0\x81\xAC\x82\xC9\x82\xB5\x82\xDC\x82\xB5\x82\xBD"},
      // すべてのﾌｧｲﾙ(*.*): half-width katakana are single bytes.
      {"the dialogs' default filter", texts::kEveryFile,
       "\x82\xB7\x82\xD7\x82\xC4\x82\xCC\xCC\xA7\xB2\xD9(*.*)"},
  };
  for (const KnownText& text : known) {
    EXPECT_EQ(text.generated, text.shiftJis) << text.what;
  }
}

}  // namespace
}  // namespace tess
