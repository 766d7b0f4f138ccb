#include "conversion/board_cache.h"

#include <string_view>

#include "conversion/field_helpers.h"
#include "conversion/log_markers.inc"
#include "runtime/numbers.h"

namespace tess {

namespace {

constexpr std::string_view kConferenceMarker = "  MES(";
constexpr std::string_view kMeetingRoom = texts::kMeetingRoom;

// Some forums put a fixed prefix before the conference's name; the label
// starts at this byte of the label text.
int64_t forumOffset(const ByteString& board) {
  const std::string_view code = board.view();
  if (code == "FMKTG" || code == "FWINMM" || code == "FMSDEV") return 9;
  if (code == "FTRAN1") return 11;
  if (code == "FGALDC") return 13;
  if (code == "FGALEL") return 15;
  return 1;
}

// The table slot of a conference number, or -1 when the tables have none.
int slotOf(float conference) {
  const int32_t slot = roundToInteger(conference);
  return slot >= 0 && slot < BoardCache::kConferenceSlots ? slot : -1;
}

}  // namespace

bool BoardCache::takeBoardLine(const ByteString& line, MessageRecord& record) {
  const int64_t marker = findBytes(1, line, ByteString(kConferenceMarker));
  if (marker < 4 || marker > 15) return false;
  record.board = upperAscii(trimTrailingBlanks(midBytes(line, 3, marker - 3)));
  record.currentMes = midBytes(line, marker + 5, 4);
  record.boardLine = line;
  const int64_t closeParen = findBytes(1, line, ")");
  const ByteString label =
      midBytes(midBytes(line, closeParen + 2), forumOffset(record.board));
  record.boardLabel = leftBytes(concatenate(CUTS(label, 10), "  "), 10);
  remember(record, closeParen);
  return true;
}

void BoardCache::remember(const MessageRecord& record, int64_t closeParen) {
  const float conference =
      toSingle(textToNumber(midBytes(record.currentMes, 2, 2)));
  // Meeting-room pages are not remembered.
  if (midBytes(record.boardLine, closeParen + 3, 6) == kMeetingRoom) return;
  const int slot = slotOf(conference);
  if (slot < 0) return;
  if (record.boardLabel == boardLabels_[slot]) return;
  boardLines_[slot] = concatenate(
      leftBytes(record.boardLine, byteLength(record.boardLine) - 10), " -");
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
