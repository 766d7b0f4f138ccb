// The common dialogs' request block and the drawing text of the cells, as
// the Windows front end hands them to the OS.
#include "ui/win32/window_support.h"

#include <cstring>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/support/sjis.h"

namespace tess::ui::win32 {
namespace {

using tess::testing::sjis;

FileDialogRequest logRequest() {
  FileDialogRequest request;
  request.title = sjis("niftyログのファイル指定(キャンセルで終了）");
  request.fileName = "19*.*";
  request.filters = {{sjis("nifty log用(19*.*)"), "19*.*"},
                     {sjis("nifty log用(20*.*)"), "20*.*"},
                     {sjis("nifty log用(*.LOG)"), "*.LOG"},
                     {sjis("すべてのファイル(*.*)"), "*.*"}};
  request.fileMustExist = true;
  request.pathMustExist = true;
  return request;
}

TEST(DialogRequest, FilterListEndsWithTwoZeroBytes) {
  std::wstring list = dialogFilter(
      {{"a(*.x, *.y)", "*.x;*.y"}, {sjis("すべてのファイル(*.*)"), "*.*"}});
  EXPECT_EQ(list, std::wstring(L"a(*.x, *.y)\0*.x;*.y\0", 20) +
                      L"\u3059\u3079\u3066\u306E\u30D5\u30A1\u30A4\u30EB(*.*)" +
                      std::wstring(L"\0*.*\0\0", 6));
}

TEST(DialogRequest, FlagsOfTheThreeUses) {
  FileDialogRequest open = logRequest();
  EXPECT_EQ(dialogFlags(open), 0x180Cu) << "open, the file must exist";
  FileDialogRequest anyName;
  anyName.pathMustExist = true;
  EXPECT_EQ(dialogFlags(anyName), 0x080Cu) << "open or save, any name";
  FileDialogRequest replace;
  replace.save = true;
  replace.pathMustExist = true;
  replace.overwritePrompt = true;
  EXPECT_EQ(dialogFlags(replace), 0x080Eu) << "save, ask before replacing";
}

TEST(DialogRequest, BlockPointsAtTheBuffers) {
  FileDialogRequest request = logRequest();
  request.initialFolder = "C:\\LOGS";
  DialogBuffers buffers;
  OPENFILENAMEW block;
  HWND owner = reinterpret_cast<HWND>(0x1234);
  prepareDialog(request, owner, &buffers, &block);

  EXPECT_EQ(block.lStructSize, OPENFILENAME_SIZE_VERSION_400W);
  EXPECT_LT(block.lStructSize, sizeof(OPENFILENAMEW));
  EXPECT_EQ(block.hwndOwner, owner);
  EXPECT_EQ(block.nFilterIndex, 1u);
  EXPECT_EQ(block.nMaxFile, 32768u);
  EXPECT_STREQ(block.lpstrFile, L"19*.*");
  EXPECT_STREQ(block.lpstrInitialDir, L"C:\\LOGS");
  // niftyログのファイル指定(キャンセルで終了）, whatever the ANSI code page.
  EXPECT_STREQ(block.lpstrTitle,
               L"nifty\u30ED\u30B0\u306E\u30D5\u30A1\u30A4\u30EB\u6307"
               L"\u5B9A(\u30AD\u30E3\u30F3\u30BB\u30EB\u3067\u7D42\u4E86"
               L"\uFF09");
  EXPECT_EQ(block.Flags, 0x180Cu);
  EXPECT_EQ(block.lpstrDefExt, nullptr);
  EXPECT_EQ(block.lpstrFileTitle, nullptr);
  EXPECT_EQ(block.lpstrCustomFilter, nullptr);
  ASSERT_NE(block.lpstrFilter, nullptr);
  EXPECT_EQ(std::wstring(block.lpstrFilter, buffers.filter.size()),
            dialogFilter(request.filters));

  // What the dialog leaves in the buffer is the answer.
  std::wcscpy(buffers.file.data(), L"C:\\LOGS\\1997.LOG");
  EXPECT_EQ(dialogResult(buffers), L"C:\\LOGS\\1997.LOG");
}

TEST(DialogRequest, CurrentFolderAndLongNames) {
  FileDialogRequest request;
  request.save = true;
  request.fileName = "kanbel.ren";
  DialogBuffers buffers;
  OPENFILENAMEW block;
  prepareDialog(request, nullptr, &buffers, &block);
  EXPECT_EQ(block.lpstrInitialDir, nullptr) << "no folder: the current one";
  EXPECT_EQ(block.lpstrFilter, nullptr);

  // Long names are offered whole; one that does not fit the file buffer is
  // cut to 32,767 bytes, never inside a double-byte character.
  request.fileName = std::string(300, 'c') + sjis("表示");
  prepareDialog(request, nullptr, &buffers, &block);
  EXPECT_EQ(dialogResult(buffers), std::wstring(300, L'c') + L"\u8868\u793A");
  request.fileName = std::string(32766, 'a') + sjis("表示");
  prepareDialog(request, nullptr, &buffers, &block);
  EXPECT_EQ(dialogResult(buffers), std::wstring(32766, L'a'));
  request.fileName = std::string(40000, 'b');
  prepareDialog(request, nullptr, &buffers, &block);
  EXPECT_EQ(dialogResult(buffers), std::wstring(32767, L'b'));
}

// A scripted dialog: each round either fills the file buffer with a path
// and succeeds, or fails with a common dialog error.
struct ScriptedDialog {
  struct Round {
    std::optional<std::wstring> path;
    DWORD error = 0;
  };
  std::vector<Round> rounds;
  size_t shown = 0;
  std::vector<DWORD> bufferSizes;
  std::vector<std::string> notices;
  DWORD error = 0;

  DialogCalls calls() {
    DialogCalls c;
    c.show = [this](OPENFILENAMEW* block) -> BOOL {
      bufferSizes.push_back(block->nMaxFile);
      if (shown >= rounds.size()) {
        error = 0;
        return FALSE;
      }
      const Round& round = rounds[shown++];
      error = round.error;
      if (!round.path) return FALSE;
      std::wcsncpy(block->lpstrFile, round.path->c_str(), block->nMaxFile);
      return TRUE;
    };
    c.lastError = [this] { return error; };
    c.notice = [this](const std::string& text) { notices.push_back(text); };
    return c;
  }
};

TEST(ChooseFile, TooLongPathIsRefusedAndAskedAgain) {
  FileDialogRequest request = logRequest();
  ScriptedDialog dialog;
  dialog.rounds = {{std::nullopt, FNERR_BUFFERTOOSMALL},
                   {L"C:\\LOGS\\1997.LOG", 0}};
  std::optional<std::string> chosen =
      chooseFile(request, nullptr, dialog.calls());
  ASSERT_TRUE(chosen);
  EXPECT_EQ(*chosen, "C:\\LOGS\\1997.LOG");
  ASSERT_EQ(dialog.notices.size(), 1u);
  // The request's default limit is the wide calls' own.
  EXPECT_EQ(dialog.notices[0], pathTooLongNotice(32767));
  EXPECT_NE(dialog.notices[0].find("32767"), std::string::npos);
  EXPECT_EQ(dialog.bufferSizes, (std::vector<DWORD>{32768, 32768}));
}

// A name is never changed into another: a character that Shift-JIS cannot
// hold, or a path that is short in characters but too long in Shift-JIS
// bytes, is refused and the dialog comes back.
TEST(ChooseFile, NamesShiftJisCannotTakeAreRefused) {
  FileDialogRequest request = logRequest();
  request.maxPathBytes = 20;
  ScriptedDialog dialog;
  dialog.rounds = {
      {L"C:\\caf\u00E9.log", 0},
      {L"C:\\\U0001F600.log", 0},
      {L"C:\\\u8868\u793A\u8868\u793A\u8868\u793A\u8868\u793A.LOG", 0},
      {L"C:\\\u8868\u793A.LOG", 0}};
  std::optional<std::string> chosen =
      chooseFile(request, nullptr, dialog.calls());
  ASSERT_TRUE(chosen);
  EXPECT_EQ(*chosen, sjis("C:\\表示.LOG"));
  EXPECT_EQ(dialog.notices, (std::vector<std::string>{unusableNameNotice(),
                                                      unusableNameNotice(),
                                                      pathTooLongNotice(20)}));
}

TEST(ChooseFile, CancelAndFailuresGiveNothing) {
  FileDialogRequest request = logRequest();
  ScriptedDialog cancelled;
  cancelled.rounds = {{std::nullopt, 0}};
  EXPECT_FALSE(chooseFile(request, nullptr, cancelled.calls()));
  EXPECT_TRUE(cancelled.notices.empty());
  EXPECT_EQ(cancelled.shown, 1u);

  ScriptedDialog broken;
  broken.rounds = {{std::nullopt, CDERR_INITIALIZATION}};
  EXPECT_FALSE(chooseFile(request, nullptr, broken.calls()));
  EXPECT_TRUE(broken.notices.empty());
}

TEST(ChooseFile, SmallerLimitShrinksTheBuffer) {
  FileDialogRequest request = logRequest();
  request.maxPathBytes = 20;
  ScriptedDialog dialog;
  dialog.rounds = {{L"C:\\A\\B\\C\\D\\E\\F\\G\\1997.LOG", 0},
                   {L"C:\\1997.LOG", 0}};
  std::optional<std::string> chosen =
      chooseFile(request, nullptr, dialog.calls());
  ASSERT_TRUE(chosen);
  EXPECT_EQ(*chosen, "C:\\1997.LOG");
  EXPECT_EQ(dialog.bufferSizes, (std::vector<DWORD>{21, 21}));
  ASSERT_EQ(dialog.notices.size(), 1u);
  EXPECT_EQ(dialog.notices[0], pathTooLongNotice(20));
}

// Without a limit of the request's own, a path is taken up to the longest
// that the wide file calls take: no buffer of a fixed small size refuses a
// log in a deep folder.
TEST(ChooseFile, LongPathsUpToTheWideCallsLimit) {
  FileDialogRequest request = logRequest();
  request.maxPathBytes = static_cast<size_t>(-1);
  const std::wstring deep = L"C:\\" + std::wstring(200, L'd') +
                            L"\\\u8868\u793A" + std::wstring(100, L'e') +
                            L"\\1997.LOG";
  ScriptedDialog dialog;
  dialog.rounds = {{deep, 0}};
  std::optional<std::string> chosen =
      chooseFile(request, nullptr, dialog.calls());
  ASSERT_TRUE(chosen);
  EXPECT_EQ(*chosen, "C:\\" + std::string(200, 'd') + "\\" + sjis("表示") +
                         std::string(100, 'e') + "\\1997.LOG");
  EXPECT_GT(chosen->size(), 300u);
  EXPECT_EQ(dialog.bufferSizes, (std::vector<DWORD>{32768}));

  // Past that the dialog itself refuses the path; the notice says how long
  // a path may be.
  ScriptedDialog longer;
  longer.rounds = {{std::nullopt, FNERR_BUFFERTOOSMALL}, {L"C:\\x.log", 0}};
  ASSERT_TRUE(chooseFile(request, nullptr, longer.calls()));
  EXPECT_EQ(longer.notices,
            (std::vector<std::string>{pathTooLongNotice(32767)}));

  request.maxPathBytes = 4000;
  ScriptedDialog limited;
  limited.rounds = {{L"C:\\x.log", 0}};
  ASSERT_TRUE(chooseFile(request, nullptr, limited.calls()));
  EXPECT_EQ(limited.bufferSizes, (std::vector<DWORD>{4001}))
      << "a request's own limit";
}

TEST(RowText, EveryCharacterStartsAtItsCell) {
  // "ab", a double-byte character, a blank and "ソ" (0x83 0x5C), then
  // blanks to the row's end.
  std::string cells = "ab" + sjis("表") + " " + sjis("ソ");
  cells.resize(10, ' ');
  RowText row =
      rowText(reinterpret_cast<const unsigned char*>(cells.data()), 10, 8);
  EXPECT_EQ(row.text, L"ab\u8868 \u30BD   ");
  EXPECT_EQ(row.advances, (std::vector<INT>{8, 8, 16, 8, 16, 8, 8, 8}));
}

TEST(RowText, StrayBytesStayOneCellWide) {
  // A lead byte in the last cell has no partner; control bytes show as
  // blanks; half-width katakana is one cell.
  const unsigned char cells[] = {'\t', 0x00, 0xB1, 'x', 0x81};
  RowText row = rowText(cells, 5, 8);
  EXPECT_EQ(row.text, L"  \uFF71x ");
  EXPECT_EQ(row.advances, (std::vector<INT>{8, 8, 8, 8, 8}));
  int total = 0;
  for (INT advance : row.advances) total += advance;
  EXPECT_EQ(total, 5 * 8);
}

TEST(RowText, WholeRowKeepsItsWidth) {
  // However the bytes fall, the advances add up to the row's width, so no
  // row pushes the next text out of its cells.
  std::string cells;
  for (int i = 0; i < 80; ++i) cells += static_cast<char>(0x81 + (i * 7) % 120);
  RowText row =
      rowText(reinterpret_cast<const unsigned char*>(cells.data()), 80, 9);
  int total = 0;
  for (INT advance : row.advances) total += advance;
  EXPECT_EQ(total, 80 * 9);
  EXPECT_EQ(row.text.size(), row.advances.size());
}

TEST(CodePage932, ConvertsBothWaysWhateverTheAnsiCodePage) {
  EXPECT_EQ(platform::win32::fromCodePage932(sjis("コピー(&Y)")),
            L"\u30B3\u30D4\u30FC(&Y)");
  EXPECT_EQ(platform::win32::fromCodePage932(""), L"");
  std::wstring wide;
  // "ソ" ends in the byte of the backslash; half-width katakana is one byte.
  ASSERT_TRUE(platform::win32::wideName(sjis("C:\\ソフト\\ｱ.LOG"), &wide));
  EXPECT_EQ(wide, L"C:\\\u30BD\u30D5\u30C8\\\uFF71.LOG");
  std::string bytes;
  ASSERT_TRUE(platform::win32::toCodePage932(wide, &bytes));
  EXPECT_EQ(bytes, sjis("C:\\ソフト\\ｱ.LOG"));
}

TEST(CodePage932, NamesOutsideTheCodePageAreRefused) {
  std::string bytes = "unchanged";
  // No look-alike ("e", "?") stands in for a character the code page lacks.
  for (const wchar_t* name : {L"caf\u00E9", L"\U0001F600", L"\u00A0x"}) {
    EXPECT_FALSE(platform::win32::toCodePage932(name, &bytes)) << bytes;
  }
  EXPECT_EQ(platform::win32::toCodePage932Lossy(L"caf\u00E9.exe"), "caf?.exe");
  std::wstring wide;
  // A lead byte without its trail byte, and a pair with no character.
  EXPECT_FALSE(platform::win32::wideName("a\x81", &wide));
  EXPECT_FALSE(platform::win32::wideName("\x85\x40", &wide));
}

}  // namespace
}  // namespace tess::ui::win32
