#include "conversion/kanbel_writer.h"

#include <string_view>

#include "conversion/log_markers.inc"

namespace tess {

namespace {

constexpr auto kSemicolon = PrintSeparator::Semicolon;

constexpr std::string_view kAtBoard = texts::kAtBoard;
constexpr std::string_view kAtMes = texts::kAtMes;
constexpr std::string_view kAtId = texts::kAtId;
constexpr std::string_view kAtHandle = texts::kAtHandle;
constexpr std::string_view kAtNumber = texts::kAtNumber;
constexpr std::string_view kAtRefer = texts::kAtRefer;
constexpr std::string_view kAtSortKey = texts::kAtSortKey;
constexpr std::string_view kAtTitle = texts::kAtTitle;
constexpr std::string_view kAtTime = texts::kAtTime;
constexpr std::string_view kDown = texts::kDown;
constexpr std::string_view kUp = texts::kUp;

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
