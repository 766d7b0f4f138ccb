#include "shell/command_texts.h"

#include <array>
#include <cstring>

#include "platform/text_encoding.h"
#include "runtime/error_messages.h"

namespace tess {

namespace {

struct Row {
  Text id;
  std::string_view english;
  std::string_view japanese;
};

constexpr Row kTexts[] = {
    {Text::Usage, "usage: %1 [-o OUT] [-a] [-q] [-v] LOG...",
     "使い方: %1 [-o 出力] [-a] [-q] [-v] ログ..."},
    {Text::TryHelp, "Try '%1 --help' for more information.",
     "詳しくは '%1 --help' で説明を見てください。"},
    {Text::NoLogGiven, "no log given", "ログが指定されていません"},
    {Text::OptionNeedsName, "option %1 needs a file name",
     "オプション %1 にはファイル名が必要です"},
    {Text::UnknownOption, "unknown option %1", "知らないオプションです: %1"},
    {Text::EncodingChoices,
     "option %1 takes auto, sjis, utf-8, euc-jp or iso-2022-jp",
     "オプション %1 には auto、sjis、utf-8、euc-jp、iso-2022-jp のどれかを"
     "指定してください"},
    {Text::LineEndChoices, "option %1 takes auto, cr or lf",
     "オプション %1 には auto、cr、lf のどれかを指定してください"},
    {Text::OutputEndsInSeparator,
     "%1: the output name ends in a folder separator; give a file name",
     "%1: 出力の名前がフォルダーの区切りで終わっています。ファイル名を"
     "指定してください"},
    {Text::OutputNameBlank, "%1: the output's file name is blank",
     "%1: 出力のファイル名が空白だけです"},
    {Text::OutputIsLog, "is one of the logs; nothing written",
     "ログの一つです。何も書き込みませんでした"},
    {Text::ErrorWithNumber, "%1 (error %2)", "%1 (エラー %2)"},
    {Text::NoMessages, "warning: no messages in this log",
     "警告: このログに発言はありませんでした"},
    {Text::LogMessages, "%1 messages", "発言 %1 件"},
    {Text::SummaryOneLog, "%1 log, %2 messages, %3 bytes written to %4 in %5 s",
     "ログ %1 件、発言 %2 件、%3 バイトを %4 に書き込みました (%5 秒)"},
    {Text::SummaryLogs, "%1 logs, %2 messages, %3 bytes written to %4 in %5 s",
     "ログ %1 件、発言 %2 件、%3 バイトを %4 に書き込みました (%5 秒)"},
    {Text::Progress, "[%1/%2] %3  %4%  %5 messages  %6 MB/s",
     "[%1/%2] %3  %4%  発言 %5 件  %6 MB/秒"},
    {Text::Interrupted,
     "interrupted; the output holds the records written so far",
     "中断しました。出力にはそこまでの記録があります"},
    {Text::NoWindow, "The window cannot be opened.",
     "ウィンドウを開けません。"},
    {Text::HelpTerminal,
     "usage: %1 [-o OUT] [-a] [-q] [-v] LOG...\n"
     "Converts the forum logs, in the order given, into one Kanbel text "
     "file.\n"
     "Without arguments the program asks for each log and output in its "
     "window.\n"
     "\n"
     "  -o, --output OUT  the output file (default kanbel.ren; \".ren\" is\n"
     "                    added when its name part has no \".\")\n"
     "  -a, --append      add to OUT instead of writing it anew\n"
     "  -q, --quiet       no progress line and no summary\n"
     "  -v, --verbose     a line per log and the summary, also when not on "
     "a\n"
     "                    terminal\n"
     "      --log-encoding E\n"
     "                    how the logs' text is written: auto (default:\n"
     "                    decided from each log), sjis, utf-8, euc-jp or\n"
     "                    iso-2022-jp; other than Shift-JIS is converted to\n"
     "                    Shift-JIS as it is read\n"
     "      --line-ends L what ends the logs' lines: auto (default: LF when a\n"
     "                    log's first 64 KiB have LF and no CR), cr (CR or\n"
     "                    CR LF) or lf\n"
     "  -h, --help        this text\n"
     "      --version     the program's version\n"
     "\n"
     "Messages are in Japanese when LC_ALL, LC_MESSAGES or LANG is ja_JP.*.\n"
     "Exit status: 0 done, 1 error, 2 usage error, 128+N ended by signal N\n"
     "(130 Ctrl-C, 143 SIGTERM, 129 hang-up).\n",
     "使い方: %1 [-o 出力] [-a] [-q] [-v] ログ...\n"
     "フォーラムのログを指定の順に変換し、一つのKanbelテキストファイルに"
     "します。\n"
     "引数なしで起動すると、ウィンドウでログと出力を一つずつ尋ねます。\n"
     "\n"
     "  -o, --output 出力  出力ファイル (省略時は kanbel.ren。名前の部分に\n"
     "                     \".\" がなければ \".ren\" を付けます)\n"
     "  -a, --append       出力を新しく書かず、後ろに追加します\n"
     "  -q, --quiet        進行状況の行と集計を出しません\n"
     "  -v, --verbose      ログごとの行と集計を、端末でなくても出します\n"
     "      --log-encoding E\n"
     "                     ログの文字コード: auto (省略時。ログごとに判断)、\n"
     "                     sjis、utf-8、euc-jp、iso-2022-jp。Shift-JIS で\n"
     "                     なければ読みながら Shift-JIS に変換します\n"
     "      --line-ends L  ログの改行: auto (省略時。最初の 64 KiB に LF が\n"
     "                     あって CR がなければ LF)、cr (CR か CR LF)、lf\n"
     "  -h, --help         この説明\n"
     "      --version      プログラムの版\n"
     "\n"
     "LC_ALL、LC_MESSAGES または LANG が ja_JP.* なら日本語で表示します。\n"
     "終了コード: 0 完了、1 エラー、2 使い方の誤り、128+N シグナル N で終了\n"
     "(130 Ctrl-C、143 SIGTERM、129 回線切断)。\n"},
    {Text::HelpWindow,
     "usage: %1 [-o OUT] [-a] [-q] [-v] LOG...\n"
     "Converts the forum logs, in the order given, into one Kanbel text "
     "file; logs dropped onto the program's icon are converted the same "
     "way. The program expands * and ? in the logs' names, in name order. "
     "Without arguments it asks for each log and output with its dialogs.\n"
     "\n"
     "-o, --output OUT: the output file (default kanbel.ren; \".ren\" is "
     "added when its name part has no \".\")\n"
     "-a, --append: add to OUT instead of writing it anew\n"
     "-q, --quiet: no summary box when all went well\n"
     "-v, --verbose: a line per log in the summary\n"
     "--log-encoding E: how the logs' text is written: auto (default: "
     "decided from each log), sjis, utf-8, euc-jp or iso-2022-jp\n"
     "--line-ends L: what ends the logs' lines: auto (default), cr or lf\n"
     "-h, --help: this text\n"
     "--version: the program's version\n"
     "\n"
     "Exit code: 0 done, 1 error, break (Ctrl-C) or the window closed, 2 "
     "usage error.\n",
     "使い方: %1 [-o 出力] [-a] [-q] [-v] ログ...\n"
     "フォーラムのログを指定の順に変換し、一つのKanbelテキストファイルに"
     "します。ログをプログラムのアイコンにドロップしても同じです。ログの"
     "名前の * と ? はプログラムが名前の順に展開します。引数なしで起動する"
     "と、ダイアログでログと出力を一つずつ尋ねます。\n"
     "\n"
     "-o, --output 出力: 出力ファイル (省略時は kanbel.ren。名前の部分に "
     "\".\" がなければ \".ren\" を付けます)\n"
     "-a, --append: 出力を新しく書かず、後ろに追加します\n"
     "-q, --quiet: うまくいったときは終わりの集計を出しません\n"
     "-v, --verbose: 集計にログごとの行も出します\n"
     "--log-encoding E: ログの文字コード: auto (省略時。ログごとに判断)、"
     "sjis、utf-8、euc-jp、iso-2022-jp\n"
     "--line-ends L: ログの改行: auto (省略時)、cr、lf\n"
     "-h, --help: この説明\n"
     "--version: プログラムの版\n"
     "\n"
     "終了コード: 0 完了、1 エラー・中断 (Ctrl-C)・ウィンドウを閉じた、"
     "2 使い方の誤り\n"},
    {Text::UnusableName,
     "%1: the name has characters that code page 932 cannot hold; rename "
     "the file or use its short name.",
     "%1: 名前にシフトJIS (コードページ 932) にない文字があります。"
     "ファイルの名前を変えるか、短い名前を使ってください。"},
};

static_assert(std::size(kTexts) == static_cast<size_t>(Text::Count),
              "every text has one row");

constexpr bool rowsInOrder() {
  for (size_t i = 0; i < std::size(kTexts); ++i) {
    if (static_cast<size_t>(kTexts[i].id) != i) return false;
  }
  return true;
}
static_assert(rowsInOrder(), "the rows are in the order of Text");

bool isJapaneseLocale(std::string_view name) {
  return name == "ja" || name.substr(0, 3) == "ja_" ||
         name.substr(0, 3) == "ja.";
}

}  // namespace

std::string_view rawText(Text id, Language language) {
  const Row& row = kTexts[static_cast<size_t>(id)];
  return language == Language::Japanese ? row.japanese : row.english;
}

std::string CommandTexts::operator()(
    Text id, std::initializer_list<std::string_view> args) const {
  std::string_view raw = rawText(id, language_);
  std::string text;
  std::string converted;
  if (encoding_ == TextEncoding::ShiftJis) {
    converted = platform::utf8ToSjis(raw);
    raw = converted;
  }
  // "%" and digits are single bytes in both encodings, never the second
  // byte of a Shift-JIS character.
  for (size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '%' && i + 1 < raw.size() && raw[i + 1] >= '1' &&
        raw[i + 1] <= '9') {
      const size_t n = static_cast<size_t>(raw[i + 1] - '1');
      if (n < args.size()) text += *(args.begin() + n);
      ++i;
      continue;
    }
    text += c;
  }
  return text;
}

std::string CommandTexts::error(uint16_t number) const {
  std::string reason;
  if (language_ == Language::Japanese && !errorMeaning(number).empty()) {
    const std::string_view meaning = errorMeaning(number);  // Shift-JIS
    reason = encoding_ == TextEncoding::ShiftJis
                 ? std::string(meaning)
                 : platform::sjisToUtf8(meaning);
  } else {
    reason = errorReason(number);
  }
  return (*this)(Text::ErrorWithNumber, {reason, std::to_string(number)});
}

Language messagesLanguage(const char* lcAll, const char* lcMessages,
                          const char* lang) {
  for (const char* name : {lcAll, lcMessages, lang}) {
    if (name == nullptr || *name == '\0') continue;
    return isJapaneseLocale(name) ? Language::Japanese : Language::English;
  }
  return Language::English;
}

}  // namespace tess
