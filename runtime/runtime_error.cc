#include "runtime/runtime_error.h"

#include <cstdio>

#include "runtime/report_texts.inc"

namespace tess {

RuntimeError::RuntimeError(uint16_t number, uint32_t line)
    : number_(number), line_(line), what_("run-time error ") {
  what_ += std::to_string(number);
}

void raiseError(uint16_t number, std::source_location where) {
  throw RuntimeError(number, where.line());
}

ByteString formatErrorReport(const ByteString& module, uint32_t line,
                             int number) {
  // "\r\n%s [%u行]:エラー[%d]"
  std::string text = "\r\n";
  text += module.view();
  text += " [";
  text += std::to_string(line);
  text += texts::kReportLine;
  text += texts::kReportError;
  text += '[';
  text += std::to_string(number);
  text += ']';
  return ByteString(std::move(text));
}

}  // namespace tess
