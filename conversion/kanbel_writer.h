// The record head of Kanbel text: the control lines, the keyword lines of
// the fields that are not empty, the three raw lines of the log (board,
// header, date) and the summary line; and the record's end.
#pragma once

#include <cstdint>

#include "conversion/message_record.h"
#include "runtime/print.h"

namespace tess {

class KanbelWriter {
 public:
  // Writes with print statements to the output open on channel.
  KanbelWriter(Printer& printer, int64_t channel)
      : printer_(printer), channel_(channel) {}

  // Lines 1 to 16 of a record from the record's fields.
  void writeHead(const MessageRecord& record);
  // The record's last two lines, after its body: "#E" and an empty line.
  void writeEnd();

 private:
  // The print statements that addStatements(sink) adds, written as one
  // block where they fit into the output's buffer, else one by one.
  template <typename AddStatements>
  void writeStatements(const AddStatements& addStatements);
  // The head's print statements, one call of sink.add each, in order: the
  // one list that is measured, copied or printed statement by statement.
  template <typename Sink>
  static void addHeadStatements(const MessageRecord& r, Sink& sink);

  Printer& printer_;
  int64_t channel_;
};

}  // namespace tess
