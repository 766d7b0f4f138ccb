#include "conversion/board_cache.h"

#include <algorithm>
#include <string_view>

#include "conversion/log_markers.inc"
#include "runtime/numbers.h"
#include "runtime/runtime_error.h"

namespace tess {

namespace {

constexpr std::string_view kConferenceMarker = "  MES(";
constexpr std::string_view kMeetingRoom = texts::kMeetingRoom;

// The table slot of a conference number, or -1 when the tables have none.
int slotOf(float conference) {
  const int32_t slot = roundToInteger(conference);
  return slot >= 0 && slot < BoardCache::kConferenceSlots ? slot : -1;
}

// The bytes of a view from a 0-based position on; none when it is past the
// end.
std::string_view from(std::string_view v, size_t position) {
  return v.substr(std::min(position, v.size()));
}

}  // namespace

int64_t forumLabelOffset(std::string_view code) {
  if (code == "FMKTG" || code == "FWINMM" || code == "FMSDEV") return 9;
  if (code == "FTRAN1") return 11;
  if (code == "FGALDC") return 13;
  if (code == "FGALEL") return 15;
  return 1;
}

bool BoardCache::takeBoardLine(const ByteString& line, MessageRecord& record) {
  const std::string_view v = line.view();
  // The first conference marker must start at byte 4 to 15 (0-based 3 to
  // 14).
  const size_t marker = v.find(kConferenceMarker);
  if (marker == std::string_view::npos || marker < 3 || marker > 14) {
    return false;
  }
  // The forum code: from byte 3 up to the marker, without the blanks
  // behind it, upper-cased.
  assignBytes(record.board.mutableBytes(), v.substr(2, marker - 2));
  trimTrailingBlanksInPlace(record.board);
  upperAsciiInPlace(record.board);
  // The four bytes after "  MES": the conference, "(nn)".
  assignBytes(record.currentMes.mutableBytes(),
              from(v, marker + 5).substr(0, 4));
  record.boardLine = line;
  // The label: the text two bytes after the first ")" (from byte 2 when
  // there is none), from the forum's offset on, cut to 10 bytes without
  // splitting a character, then filled up with blanks to 10 bytes.
  const size_t paren = v.find(')');
  const size_t afterParen = paren == std::string_view::npos ? 1 : paren + 2;
  const size_t offset =
      static_cast<size_t>(forumLabelOffset(record.board.view()) - 1);
  const std::string_view label = from(from(v, afterParen), offset);
  std::string& boardLabel = record.boardLabel.mutableBytes();
  assignBytes(boardLabel, label.substr(0, 10));
  if (label.size() > 10 && endsInLoneLeadByte(boardLabel)) {
    boardLabel.back() = ' ';
  }
  boardLabel.append("  ");
  boardLabel.resize(std::min<size_t>(boardLabel.size(), 10));
  remember(record, afterParen);
  return true;
}

void BoardCache::remember(const MessageRecord& record, size_t afterParen) {
  const float conference =
      toSingle(shortTextToNumber(record.currentMes.view().substr(
          std::min<size_t>(1, record.currentMes.size()), 2)));
  const std::string_view boardLine = record.boardLine.view();
  // Meeting-room pages are not remembered: their label follows the ")"
  // after one byte more.
  if (from(boardLine, afterParen + 1).substr(0, 6) == kMeetingRoom) return;
  const int slot = slotOf(conference);
  if (slot < 0) return;
  if (record.boardLabel == boardLabels_[slot]) return;
  // The board line without its last ten bytes, closed with " -". A line
  // of fewer bytes cannot be cut so.
  if (boardLine.size() < 10) raiseError(err::kIllegalArgument);
  std::string& remembered = boardLines_[slot].mutableBytes();
  remembered.assign(boardLine.substr(0, boardLine.size() - 10));
  remembered.append(" -");
  boardLabels_[slot] = record.boardLabel;
}

bool BoardCache::knows(float conference) const {
  const int slot = slotOf(conference);
  return slot >= 0 && !boardLabels_[slot].empty();
}

void BoardCache::recall(float conference, MessageRecord& record) const {
  const int slot = slotOf(conference);
  record.boardLine = boardLines_[slot];
  record.boardLabel = boardLabels_[slot];
  record.currentMes = record.mes;
}

}  // namespace tess
