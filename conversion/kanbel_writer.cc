#include "conversion/kanbel_writer.h"

#include <string_view>

namespace tess {

namespace {

constexpr auto kSemicolon = PrintSeparator::Semicolon;

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

void KanbelWriter::writeHead(const MessageRecord& r) {
  // Each line is its own print statement; they reach the output together.
  FileStatementRun head(printer_, channel_);
  head.add({"#S"});
  head.add({"#W80"});
  head.add({"#T", r.headline.view()});
  if (!r.board.empty()) head.add({"#K", r.board.view(), kAtBoard});
  if (!r.mes.empty()) head.add({"#K", r.mes.view(), kAtMes});
  if (!r.userId.empty()) head.add({"#K", r.userId.view(), kAtId});
  if (!r.handle.empty()) head.add({"#K", r.handle.view(), kAtHandle});
  if (!r.messageNumber.empty()) {
    head.add({"#K", r.mes.view(), r.messageNumber.view(), kAtNumber});
  }
  if (!r.refer.empty()) {
    head.add({"#K", r.mes.view(), r.refer.view(), kAtRefer});
  }
  if (!r.sortKey.empty()) {
    head.add({"#K", r.mes.view(), r.sortKey.view(), kAtSortKey});
  }
  if (!r.title.empty()) head.add({"#K", r.title.view(), kAtTitle});
  if (!r.postedTime.empty()) head.add({"#K", r.postedTime.view(), kAtTime});
  head.add({r.boardLine.view()});
  head.add({r.headerLine.view()});
  head.add({r.dateLine.view()});

  // The summary line: up to three statements that make one line.
  head.add<kSemicolon>({kDown, r.mes.view(), r.messageNumber.view(), ","});
  if (!r.refer.empty()) {
    head.add<kSemicolon>({r.mes.view(), r.refer.view(), ","});
  }
  head.add({r.title.view(), kUp});
  head.finish();
}

}  // namespace tess
