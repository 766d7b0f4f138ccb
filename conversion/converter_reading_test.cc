// The pass and the reader stage: the no-message box says what the log
// looked like, and the pass keeps how the log was read and how many of its
// characters were replaced.
#include <gtest/gtest.h>

#include <string>

#include "conversion/conversion_test_doubles.h"
#include "conversion/converter.h"
#include "conversion/log_reading_texts.h"

namespace tess {
namespace {

using testing::ConverterHarness;
using testing::sjis;

TEST(ConverterReadingTest, NoMessageBoxSaysWhatTheLogLookedLike) {
  const std::string none = sjis("に発言はありませんでした");
  std::string binary(64, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i);
  const struct {
    const char* what;
    std::string log;
    LogChoice choice;
    std::string look;
  } cases[] = {
      {"nothing to say", "no\r\nmessage\r\n", {}, ""},
      {"LF ends read with CR ends",
       "no\nmessage\nhere\n",
       {LogEncoding::Auto, LineEnds::Cr},
       sjis("改行が LF だけのログのようです"
            "（CR の改行として読みました）")},
      {"mostly LF ends",
       "a\rb\nc\nd\n",
       {},
       sjis("改行が LF だけのログのようです（CR の改行として読みました）")},
      {"no encoding it knows",
       "\x80\xA0\xFD\xFE\x80\xA0\r\n",
       {},
       sjis("Shift-JIS でも UTF-8・EUC-JP・ISO-2022-JP でもない文字が多いログ"
            "です")},
      {"not text", binary, {}, sjis("テキストのファイルではないようです")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ConverterHarness h;
    h.files.setLogChoice(c.choice);
    EXPECT_EQ(h.convert(c.log), "\x1a");
    ASSERT_EQ(h.boxes.calls.size(), 1u);
    EXPECT_EQ(h.boxes.calls[0].text,
              "/log.txt" + none + (c.look.empty() ? "" : "\n" + c.look));
  }
}

TEST(ConverterReadingTest, ThePassKeepsHowTheLogWasReadAndWhatWasReplaced) {
  ConverterHarness h;
  h.window.writeText("banner\r\n");
  h.convert(
      "- FOO  MES(03) Free talk -\n"
      "00001/00001 ABC01234  guest            t\n"
      "(03)   97/08/20 21:05  \n"
      "\xC3\xA9\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xF0\x9F\x98\x80\n"
      "last\n");
  EXPECT_EQ(h.converter.logReading().encoding, LogEncoding::Utf8);
  EXPECT_EQ(h.converter.logReading().lineEnds, LineEnds::Lf);
  EXPECT_EQ(h.converter.replacedCharacters(), 2u);
  EXPECT_EQ(h.window.transcript(),
            "banner\r\n 1 \r\n" + replacedNotice(2).str() + "\r\n");

  // The next log starts afresh: nothing replaced, nothing said.
  h.window.writeText("banner\r\n");
  h.convert(
      "- FOO  MES(03) Free talk -\r\n"
      "00001/00001 ABC01234  guest            t\r\n"
      "(03)   97/08/20 21:05  \r\nbody\r\nlast\r\n");
  EXPECT_TRUE(h.converter.logReading().plain());
  EXPECT_EQ(h.converter.replacedCharacters(), 0u);
  EXPECT_EQ(
      h.window.transcript(),
      "banner\r\n 1 \r\n" + replacedNotice(2).str() + "\r\nbanner\r\n 1 ");
}

}  // namespace
}  // namespace tess
