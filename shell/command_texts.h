// The command line's texts, English and Japanese, in one table: usage and
// help, errors, warnings, the summary and the progress line. They are
// written in UTF-8 and handed out in the encoding their reader wants: UTF-8
// for a POSIX terminal, Shift-JIS for the Windows window. To add a text,
// add its name to Text and its row, in the same place, to the table in
// command_texts.cc.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tess {

enum class Language { English, Japanese };
enum class TextEncoding { Utf8, ShiftJis };

enum class Text {
  Usage,                  // %1 program
  TryHelp,                // %1 program
  NoLogGiven,             //
  OptionNeedsName,        // %1 the option as given
  UnknownOption,          // %1 the option as given
  EncodingChoices,        // %1 the option as given
  LineEndChoices,         // %1 the option as given
  OutputEndsInSeparator,  // %1 the name
  OutputNameBlank,        // %1 the name
  OutputIsLog,            //
  ErrorWithNumber,        // %1 the reason, %2 the number
  NoMessages,             //
  LogMessages,            // %1 count
  SummaryOneLog,          // %1 logs %2 messages %3 bytes %4 output %5 seconds
  SummaryLogs,            // the same, for any other number of logs
  Progress,      // %1 log number %2 logs %3 name %4 percent %5 messages
                 // %6 MB/s
  Interrupted,   //
  NoWindow,      //
  HelpTerminal,  // %1 program: --help of the POSIX command
  HelpWindow,    // %1 program: --help in the Windows window's box
  UnusableName,  // %1 an argument code page 932 cannot hold (Windows)
  Count          // not a text
};

class CommandTexts {
 public:
  explicit CommandTexts(Language language = Language::English,
                        TextEncoding encoding = TextEncoding::Utf8)
      : language_(language), encoding_(encoding) {}

  Language language() const { return language_; }
  TextEncoding encoding() const { return encoding_; }

  // The text in the reader's encoding, each %1..%9 replaced by the
  // argument of that number (arguments are taken as they are: names are
  // already in the reader's encoding).
  std::string operator()(
      Text id, std::initializer_list<std::string_view> args = {}) const;
  // What a run-time error means, with its number: "disk full (error 67)".
  std::string error(uint16_t number) const;

 private:
  Language language_;
  TextEncoding encoding_;
};

// The text as the table holds it (UTF-8, placeholders kept).
std::string_view rawText(Text id, Language language);

// The language of the messages locale: the first of LC_ALL, LC_MESSAGES
// and LANG that is set and not empty decides; Japanese for "ja" and
// "ja_*", English for anything else (or nothing set). Null for unset.
Language messagesLanguage(const char* lcAll, const char* lcMessages,
                          const char* lang);

}  // namespace tess
