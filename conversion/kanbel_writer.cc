#include "conversion/kanbel_writer.h"

#include <cstddef>
#include <cstdint>
#include <source_location>
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

// The bytes, the number and the first and last source lines of a run of
// statements.
struct StatementMeasure {
  template <PrintSeparator separator = PrintSeparator::EndOfStatement,
            size_t count>
  void add(const std::string_view (&parts)[count],
           std::source_location where = std::source_location::current()) {
    for (const std::string_view part : parts) bytes += part.size();
    if (separator == PrintSeparator::EndOfStatement) bytes += 2;
    if (statements++ == 0) firstLine = where.line();
    lastLine = where.line();
  }
  size_t bytes = 0;
  uint32_t statements = 0;
  uint32_t firstLine = 0;
  uint32_t lastLine = 0;
};

// The statements' bytes copied behind each other from out on, where there
// is room for all of them.
struct StatementCopy {
  template <PrintSeparator separator = PrintSeparator::EndOfStatement,
            size_t count>
  [[gnu::always_inline]] void add(const std::string_view (&parts)[count],
                                  std::source_location = {}) {
    out = copyParts(out, parts);
    if (separator == PrintSeparator::EndOfStatement) {
      *out++ = '\r';
      *out++ = '\n';
    }
  }
  char* out;
};

}  // namespace

void KanbelWriter::writeHead(const MessageRecord& r) {
  writeStatements([&r](auto& sink) { addHeadStatements(r, sink); });
}

void KanbelWriter::writeEnd() {
  writeStatements([](auto& sink) {
    sink.add({"#E"});
    sink.add({""});
  });
}

template <typename AddStatements>
void KanbelWriter::writeStatements(const AddStatements& addStatements) {
  // Each line is its own print statement; they reach the output together.
  // Their bytes are known before they are written: where the channel's
  // buffer has room for them and their statement starts can be taken as
  // one run, they are copied there in one pass.
  StatementMeasure measure;
  addStatements(measure);
  if (char* const room = printer_.beginStatementBlock(
          channel_, measure.bytes, measure.firstLine, measure.lastLine,
          measure.statements)) {
    StatementCopy copy{room};
    addStatements(copy);
    printer_.endStatementBlock(channel_, measure.bytes);
    return;
  }
  FileStatementRun statements(printer_, channel_);
  addStatements(statements);
  statements.finish();
}

template <typename Sink>
void KanbelWriter::addHeadStatements(const MessageRecord& r, Sink& head) {
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
  head.template add<kSemicolon>(
      {kDown, r.mes.view(), r.messageNumber.view(), ","});
  if (!r.refer.empty()) {
    head.template add<kSemicolon>({r.mes.view(), r.refer.view(), ","});
  }
  head.add({r.title.view(), kUp});
}

}  // namespace tess
