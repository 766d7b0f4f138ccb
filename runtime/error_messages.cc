#include "runtime/error_messages.h"

#include <array>

#include "platform/shared_texts.inc"
#include "runtime/runtime_error.h"

namespace tess {

namespace {

struct ErrorText {
  uint16_t number;
  std::string_view reason;   // English
  std::string_view meaning;  // Japanese, Shift-JIS
};

// kErrorTexts, one row per number.
#include "runtime/error_texts.inc"

const ErrorText* find(uint16_t number) {
  for (const ErrorText& text : kErrorTexts) {
    if (text.number == number) return &text;
  }
  return nullptr;
}

}  // namespace

std::string_view errorReason(uint16_t number) {
  const ErrorText* text = find(number);
  return text ? text->reason : std::string_view("run-time error");
}

std::string_view errorMeaning(uint16_t number) {
  const ErrorText* text = find(number);
  return text ? text->meaning : std::string_view();
}

}  // namespace tess
