// Board lines and the run's memory of boards by conference. A board line
// ("- FORUM  MES(nn) label -") names the board of the messages after it;
// each conference remembers the board line and label it was last seen
// with, so that a message of another conference on the same page gets the
// board of its own conference back.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "conversion/message_record.h"
#include "runtime/byte_string.h"

namespace tess {

// Some forums put a fixed prefix before the conference's name: the byte
// (1-based) of a board line's label text where the label starts, for the
// forum's code.
int64_t forumLabelOffset(std::string_view code);

class BoardCache {
 public:
  // Conference numbers 0 to 25 have a slot in the tables.
  static constexpr int kConferenceSlots = 26;
  using ConferenceTable = std::array<ByteString, kConferenceSlots>;

  // Takes line as a board line when its conference marker "  MES(" starts
  // at byte 4 to 15 (1-based): the record gets the board (its forum code
  // trimmed and upper-cased), the conference as current one, the board
  // line and its label, and the conference's slot remembers them (not for
  // a meeting-room page, nor when the slot holds the same label). False,
  // with nothing changed, for any other line.
  bool takeBoardLine(const ByteString& line, MessageRecord& record);

  // True when a board of the conference has been remembered.
  bool knows(float conference) const;
  // The record takes the board line and label remembered for the
  // conference, and its conference becomes the current one. Only for a
  // conference the cache knows.
  void recall(float conference, MessageRecord& record) const;

  const ConferenceTable& boardLines() const { return boardLines_; }
  const ConferenceTable& boardLabels() const { return boardLabels_; }

 private:
  // afterParen: the 0-based position two bytes after the first ")" of the
  // board line just taken (1 when it has none).
  void remember(const MessageRecord& record, size_t afterParen);

  ConferenceTable boardLines_;
  ConferenceTable boardLabels_;
};

}  // namespace tess
