// The record head of Kanbel text: control lines, keyword lines, the three
// raw header lines and the summary line.
#include "conversion/converter.h"

namespace tess {

namespace {

constexpr auto kSemicolon = PrintSeparator::Semicolon;
constexpr auto kEnd = PrintSeparator::EndOfStatement;

constexpr std::string_view kAtBoard =
    "  \x81\x97"
    "board"; /* ＠board */
constexpr std::string_view kAtMes =
    "\x81\x97"
    "mes"; /* ＠mes */
constexpr std::string_view kAtId =
    "\x81\x97"
    "id"; /* ＠id */
constexpr std::string_view kAtHandle =
    "\x81\x97\x83\x6e\x83\x93\x83\x68\x83\x8b"; /* ＠ハンドル */
constexpr std::string_view kAtNumber =
    "\x81\x97\x94\xad\x8c\xbe\x94\xd4\x8d\x86"; /* ＠発言番号 */
constexpr std::string_view kAtRefer =
    "\x81\x97"
    "refer"; /* ＠refer */
constexpr std::string_view kAtSortKey = "\x81\x97\x90\xae\x97\xf1"; /* ＠整列 */
constexpr std::string_view kAtTitle =
    "\x81\x97"
    "title"; /* ＠title */
constexpr std::string_view kAtTime =
    "\x81\x97"
    "time";                                    /* ＠time */
constexpr std::string_view kDown = "\x81\xa5"; /* ▼ */
constexpr std::string_view kUp = "\x81\xa3";   /* ▲ */

}  // namespace

void Converter::printStatement(std::initializer_list<std::string_view> items,
                               PrintSeparator last,
                               std::source_location where) {
  printer_.printFileStatement(kOutputChannel, items, last, where);
}

void Converter::writeRecordHead() {
  const MessageRecord& r = record_;
  printStatement({"#S"}, kEnd);
  printStatement({"#W80"}, kEnd);
  printStatement({"#T", r.headline.view()}, kEnd);
  if (!r.board.empty()) printStatement({"#K", r.board.view(), kAtBoard}, kEnd);
  if (!r.mes.empty()) printStatement({"#K", r.mes.view(), kAtMes}, kEnd);
  if (!r.userId.empty()) printStatement({"#K", r.userId.view(), kAtId}, kEnd);
  if (!r.handle.empty()) {
    printStatement({"#K", r.handle.view(), kAtHandle}, kEnd);
  }
  if (!r.messageNumber.empty()) {
    printStatement({"#K", r.mes.view(), r.messageNumber.view(), kAtNumber},
                   kEnd);
  }
  if (!r.refer.empty()) {
    printStatement({"#K", r.mes.view(), r.refer.view(), kAtRefer}, kEnd);
  }
  if (!r.sortKey.empty()) {
    printStatement({"#K", r.mes.view(), r.sortKey.view(), kAtSortKey}, kEnd);
  }
  if (!r.title.empty()) printStatement({"#K", r.title.view(), kAtTitle}, kEnd);
  if (!r.postedTime.empty()) {
    printStatement({"#K", r.postedTime.view(), kAtTime}, kEnd);
  }
  printStatement({r.boardLine.view()}, kEnd);
  printStatement({r.headerLine.view()}, kEnd);
  printStatement({r.dateLine.view()}, kEnd);

  // The summary line: up to three statements that make one line.
  printStatement({kDown, r.mes.view(), r.messageNumber.view(), ","},
                 kSemicolon);
  if (!r.refer.empty()) {
    printStatement({r.mes.view(), r.refer.view(), ","}, kSemicolon);
  }
  printStatement({r.title.view(), kUp}, kEnd);
}

}  // namespace tess
