// Board lines and the per-conference cache of board lines and labels.
#include <string_view>

#include "conversion/converter.h"
#include "conversion/field_helpers.h"
#include "runtime/numbers.h"

namespace tess {

namespace {

constexpr std::string_view kConferenceMarker = "  MES(";
constexpr std::string_view kMeetingRoom =
    "\x89\xef\x8b\x63\x8e\xba"; /* 会議室 */

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
  return slot >= 0 && slot < Converter::kConferenceSlots ? slot : -1;
}

}  // namespace

void Converter::parseBoardLine() {
  const ByteString& line = currentLine_;
  const int64_t marker = findBytes(1, line, ByteString(kConferenceMarker));
  if (marker < 4 || marker > 15) return;
  readerState_ = Skipping;
  record_.board = upperAscii(trimTrailingBlanks(midBytes(line, 3, marker - 3)));
  record_.currentMes = midBytes(line, marker + 5, 4);
  record_.boardLine = line;
  const int64_t closeParen = findBytes(1, line, ")");
  const ByteString label =
      midBytes(midBytes(line, closeParen + 2), forumOffset(record_.board));
  record_.boardLabel = leftBytes(concatenate(CUTS(label, 10), "  "), 10);
  rememberBoard(closeParen);
}

void Converter::rememberBoard(int64_t closeParen) {
  const float conference =
      toSingle(textToNumber(midBytes(record_.currentMes, 2, 2)));
  // Meeting-room pages are not remembered.
  if (midBytes(record_.boardLine, closeParen + 3, 6) == kMeetingRoom) return;
  const int slot = slotOf(conference);
  if (slot < 0) return;
  if (record_.boardLabel == boardLabelByMes_[slot]) return;
  boardLineByMes_[slot] = concatenate(
      leftBytes(record_.boardLine, byteLength(record_.boardLine) - 10), " -");
  boardLabelByMes_[slot] = record_.boardLabel;
}

void Converter::recallBoard(float conference) {
  const int slot = slotOf(conference);
  const bool known = slot >= 0 && !boardLabelByMes_[slot].empty();
  if (observer_ != nullptr) observer_->conferenceRecalled(conference, known);
  // A conference not seen yet keeps the board of the last board line.
  if (!known) return;
  record_.boardLine = boardLineByMes_[slot];
  record_.boardLabel = boardLabelByMes_[slot];
  record_.currentMes = record_.mes;
}

}  // namespace tess
