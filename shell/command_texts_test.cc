// The command line's table of texts: both languages say the same things
// (the same numbered parts), the reader's encoding is honoured, and the
// messages locale picks the language.
#include "shell/command_texts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tess {
namespace {

std::set<char> placeholders(std::string_view text) {
  std::set<char> found;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') {
      found.insert(text[i + 1]);
    }
  }
  return found;
}

TEST(CommandTextsTest, BothLanguagesHaveEveryTextWithTheSameParts) {
  for (int i = 0; i < static_cast<int>(Text::Count); ++i) {
    const Text id = static_cast<Text>(i);
    const std::string_view english = rawText(id, Language::English);
    const std::string_view japanese = rawText(id, Language::Japanese);
    SCOPED_TRACE(english);
    EXPECT_FALSE(english.empty());
    EXPECT_FALSE(japanese.empty());
    EXPECT_NE(english, japanese);
    EXPECT_EQ(placeholders(english), placeholders(japanese));
  }
}

TEST(CommandTextsTest, PartsAreFilledInOnceAndTheEncodingIsTheReaders) {
  const CommandTexts english;
  EXPECT_EQ(english(Text::UnknownOption, {"-%1"}), "unknown option -%1");
  EXPECT_EQ(english(Text::Progress, {"1", "2", "a.log", "50", "7", "3.5"}),
            "[1/2] a.log  50%  7 messages  3.5 MB/s");
  EXPECT_EQ(english.error(67), "disk full (error 67)");

  const CommandTexts utf8(Language::Japanese, TextEncoding::Utf8);
  EXPECT_EQ(utf8(Text::NoLogGiven), "ログが指定されていません");
  EXPECT_EQ(utf8.error(67), "ディスクがいっぱいです (エラー 67)");

  const CommandTexts sjis(Language::Japanese, TextEncoding::ShiftJis);
  // ログが指定されていません
  EXPECT_EQ(sjis(Text::NoLogGiven),
            "\x83\x8D\x83\x4F\x82\xAA\x8E\x77\x92\xE8\x82\xB3\x82\xEA\x82\xC4"
            "\x82\xA2\x82\xDC\x82\xB9\x82\xF1");
  // Names are already Shift-JIS: 表 (0x95 0x5C) is passed on as it is.
  EXPECT_EQ(sjis(Text::ErrorWithNumber, {"\x95\x5C", "5"}),
            "\x95\x5C (\x83\x47\x83\x89\x81\x5B 5)");
  EXPECT_EQ(sjis.error(63),
            "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x8C\xA9\x82\xC2\x82\xA9"
            "\x82\xE8\x82\xDC\x82\xB9\x82\xF1 (\x83\x47\x83\x89\x81\x5B 63)");
}

TEST(CommandTextsTest, TheMessagesLocalePicksTheLanguage) {
  struct Case {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    Language language;
  };
  const Case cases[] = {
      {nullptr, nullptr, nullptr, Language::English},
      {nullptr, nullptr, "ja_JP.UTF-8", Language::Japanese},
      {nullptr, nullptr, "ja", Language::Japanese},
      {nullptr, nullptr, "C.UTF-8", Language::English},
      {nullptr, nullptr, "java", Language::English},
      {"", "ja_JP.UTF-8", "C", Language::Japanese},
      {nullptr, "C", "ja_JP.UTF-8", Language::English},
      {"C.UTF-8", "ja_JP.UTF-8", "ja_JP.UTF-8", Language::English},
      {"ja_JP.eucJP", nullptr, "C", Language::Japanese},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(messagesLanguage(c.lcAll, c.lcMessages, c.lang), c.language)
        << (c.lcAll ? c.lcAll : "-") << " " << (c.lang ? c.lang : "-");
  }
}

}  // namespace
}  // namespace tess
