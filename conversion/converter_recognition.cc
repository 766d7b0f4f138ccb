// The converter's recogniser (members of Converter): no-next-page lines, GO
// command lines, board lines and message headers with their date lines. A
// message header reads its date line from the log, and a header whose date
// line is refused is written to the output as message text.
#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "conversion/converter.h"
#include "conversion/field_helpers.h"
#include "conversion/log_markers.inc"
#include "runtime/half_width.h"
#include "runtime/numbers.h"

namespace tess {

namespace {

constexpr std::string_view kNoNextPageWithPrompt = texts::kNoNextPageWithPrompt;
constexpr std::string_view kNoNextPage = texts::kNoNextPage;
constexpr std::string_view kCommentMarker = texts::kCommentMarker;

// "＞GO " with the letters in either case. The first two bytes form the
// full-width "＞", so the letters stand on character boundaries.
bool isGoCommandLine(std::string_view line) {
  return line.size() >= 5 && static_cast<unsigned char>(line[0]) == 0x81 &&
         static_cast<unsigned char>(line[1]) == 0x84 &&
         (line[2] == 'G' || line[2] == 'g') &&
         (line[3] == 'O' || line[3] == 'o') && line[4] == ' ';
}

bool isBoardLine(std::string_view line) {
  return line.starts_with("- ") && line.ends_with(" -");
}

// True when the number at the start of the field is certainly too large
// for a single-precision value (at least 10^39). Reading such a number
// could overflow even double precision, so the field is refused before
// its value is taken. The number's form is that of textToNumber: blanks,
// a sign, digits with one point, and an exponent after E, e, D or d.
bool exceedsSingleRange(std::string_view field) {
  size_t i = 0;
  while (i < field.size() && field[i] == ' ') ++i;
  if (i < field.size() && field[i] == '&') {
    // Hexadecimal and octal integers of up to eight digits stay below 2^32.
    return field.size() - i > 10;
  }
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) ++i;
  int64_t integerDigits = 0;    // significant digits before the point
  int64_t zerosAfterPoint = 0;  // zeros after the point before the first digit
  bool nonZero = false;
  bool point = false;
  for (; i < field.size(); ++i) {
    const char c = field[i];
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      if (c != '0') nonZero = true;
      if (!point && nonZero) ++integerDigits;
      if (point && !nonZero) ++zerosAfterPoint;
    } else {
      break;
    }
  }
  if (!nonZero) return false;
  int64_t exponent = 0;
  if (i < field.size() && (field[i] == 'E' || field[i] == 'e' ||
                           field[i] == 'D' || field[i] == 'd')) {
    ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
      negative = field[i] == '-';
      ++i;
    }
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
      if (exponent < 100000) exponent = exponent * 10 + (field[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  const int64_t magnitude = integerDigits > 0 ? integerDigits - 1 + exponent
                                              : exponent - zerosAfterPoint - 1;
  return magnitude >= 39;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A field of width digits passes when its value is above zero and it is
// the zero-padded decimal text of that value. A value that a
// single-precision number cannot hold never passes.
// passesNumberTest of a field that is not all digits.
[[gnu::noinline]] bool passesNumberTestByValue(std::string_view field,
                                               double width) {
  if (exceedsSingleRange(field)) return false;
  const ByteString text(field);
  const double value = textToNumber(text);
  if (!fitsSingle(value) || !(value > 0)) return false;
  return ZERONUM(numberToText(toSingle(value)), width) == text;
}

bool passesNumberTest(std::string_view field, double width) {
  // Digits only (the usual case): the decimal text of a value below 10^6
  // is its digits, so the field passes unless it is all zeros.
  if (field.size() <= 6 && std::all_of(field.begin(), field.end(), isDigit)) {
    return std::any_of(field.begin(), field.end(),
                       [](char c) { return c != '0'; });
  }
  return passesNumberTestByValue(field, width);
}

void assign(ByteString& field, std::string_view bytes) {
  assignBytes(field.mutableBytes(), bytes);
}

// Copies CUTS(text, width) to out, which has room for min(size, width)
// bytes, without building the texts that CUTS compares. CUTS counts the
// characters of the first width and the first width + 1 bytes; the counts
// are equal exactly when the first width bytes end in a lone lead byte that
// the next byte would complete, and then a blank takes that lead byte's
// place.
void copyCut(char* out, std::string_view text, size_t width) {
  const std::string_view cut = text.substr(0, width);
  copyBytes(out, cut.data(), cut.size());
  if (text.size() > width && endsInLoneLeadByte(std::string_view(out, width))) {
    out[width - 1] = ' ';
  }
}

// The last five bytes of "00000" followed by the text.
void assignFiveDigits(ByteString& field, std::string_view text) {
  std::string& out = field.mutableBytes();
  if (text.size() >= 5) {
    assignBytes(out, text.substr(text.size() - 5));
  } else {
    out.resize(5);
    std::fill_n(out.begin(), 5 - text.size(), '0');
    copyBytes(out.data() + 5 - text.size(), text.data(), text.size());
  }
}

}  // namespace

LineKind lineKind(std::string_view line) {
  if (line.empty()) return LineKind::Text;
  const unsigned char first = static_cast<unsigned char>(line[0]);
  // The three lines that start skipping begin with 0x81 0x84 or 0x81 0x9F.
  if (first == 0x81 && line.size() >= 2 &&
      (line[1] == '\x84' || line[1] == '\x9f')) {
    if (line.starts_with(kNoNextPageWithPrompt) ||
        line.starts_with(kNoNextPage) || isGoCommandLine(line)) {
      return LineKind::StartsSkip;
    }
  } else if (first == '-' && isBoardLine(line)) {
    return LineKind::Board;
  }
  // A header candidate: the first "/" of the line at byte 4 or byte 6.
  if (line.size() < kShortestHeaderLine) return LineKind::Text;
  for (size_t i = 0; i < 6; ++i) {
    if (line[i] != '/') continue;
    return i == 3 ? LineKind::Header3
                  : (i == 5 ? LineKind::Header5 : LineKind::Text);
  }
  return LineKind::Text;
}

void Converter::parseLogLine() {
  switch (lineKind(currentLine_.view())) {
    case LineKind::Text:
      return;
    case LineKind::StartsSkip:
      readerState_ = Skipping;
      record_.currentMes.clear();
      return;
    case LineKind::Board:
      if (boards_.takeBoardLine(currentLine_, record_)) readerState_ = Skipping;
      return;
    case LineKind::Header3:
      parseMessageHeader(false);
      return;
    case LineKind::Header5:
      parseMessageHeader(true);
      return;
  }
}

void Converter::parseMessageHeader(bool fiveDigits) {
  const std::string_view line = currentLine_.view();
  // 0-based offsets of the fields in the two layouts.
  const size_t width = fiveDigits ? 5 : 3;
  const size_t secondNumber = fiveDigits ? 6 : 4;
  const size_t blankBeforeId = fiveDigits ? 11 : 9;
  const size_t userId = blankBeforeId + 1;
  const size_t blanksBeforeHandle = userId + 8;
  const size_t handle = blanksBeforeHandle + 2;
  const size_t blankBeforeTitle = fiveDigits ? 38 : 37;
  const size_t title = blankBeforeTitle + 1;

  // The line is longer than 38 bytes, so every field is complete.
  if (line[blankBeforeTitle] != ' ') return;
  if (!passesNumberTest(line.substr(0, width), static_cast<double>(width))) {
    return;
  }
  if (!passesNumberTest(line.substr(secondNumber, width),
                        static_cast<double>(width))) {
    return;
  }
  if (line[blankBeforeId] != ' ') return;
  if (line.substr(blanksBeforeHandle, 2) != "  ") return;
  // A header line needs its date line: with no byte left, it is text.
  if (!files_.hasUnreadBytes(kLogChannel)) return;

  assign(record_.messageNumber, line.substr(0, width));
  assign(record_.userId, line.substr(userId, 8));
  assign(record_.handle, line.substr(handle, 16));
  const std::string_view rawTitle = line.substr(title);
  assign(record_.title, rawTitle);
  // The headline is made of the columns alone here; it is composed in one
  // piece with the board label and the number in front once the date line
  // is accepted (composeHeadline).
  cleanTitle();
  // The header line moves into the record; the date line is read into the
  // storage of the record's last header line.
  record_.headerLine.mutableBytes().swap(currentLine_.mutableBytes());

  files_.readLine(kLogChannel, currentLine_);
  const std::string_view dateLine = currentLine_.view();
  assign(record_.mes, dateLine.substr(0, 4));
  if (!dateLineAccepted()) {
    composeHeadline(false, title);
    readerState_ = FalseHeader;
    writeLine(record_.headerLine);
    record_.mes = record_.currentMes;
    return;
  }

  // Bytes 8 to 21, behind the century: "19" after year 70, else "20".
  const std::string_view posted =
      dateLine.size() > 7 ? dateLine.substr(7, 14) : std::string_view();
  std::string& postedTime = record_.postedTime.mutableBytes();
  postedTime.resize(2 + posted.size());
  copyBytes(postedTime.data(),
            shortTextToNumber(posted.substr(0, 2)) > 70 ? "19" : "20", 2);
  copyBytes(postedTime.data() + 2, posted.data(), posted.size());

  // The first comment marker (1-based; 0 when there is none). A marker
  // before byte 24 leaves no room for a number: no reference.
  const size_t found = dateLine.find(kCommentMarker);
  const int64_t marker =
      found == std::string_view::npos ? 0 : static_cast<int64_t>(found) + 1;
  if (marker > 24) {
    assign(record_.refer,
           dateLine.substr(23, static_cast<size_t>(marker - 24)));
  } else {
    record_.refer.mutableBytes().clear();
  }
  assignFiveDigits(record_.sortKey, record_.refer.empty()
                                        ? record_.messageNumber.view()
                                        : record_.refer.view());
  // The date line, too, moves into the record: the next line is read into
  // the storage of the record's last one.
  record_.dateLine.mutableBytes().swap(currentLine_.mutableBytes());

  if (record_.currentMes != record_.mes) {
    recallBoard(toSingle(shortTextToNumber(record_.mes.view().substr(1, 2))));
  }
  composeHeadline(true, title);
  readerState_ = HeaderComplete;
}

void Converter::composeHeadline(bool withNumber, size_t titleOffset) {
  // The headline's bytes are known beforehand: it is sized once and its
  // pieces are copied into place.
  const std::string_view label =
      withNumber ? record_.boardLabel.view() : std::string_view();
  const std::string_view number = record_.messageNumber.view();
  const std::string_view rawTitle =
      record_.headerLine.view().substr(titleOffset, 34);
  const std::string_view handle = record_.handle.view();
  const size_t handleBytes = std::min<size_t>(handle.size(), 10);
  const size_t column = withNumber ? label.size() + 7 : 0;
  std::string& headline = record_.headline.mutableBytes();
  headline.resize(column + 34 + 1 + handleBytes);
  char* const out = headline.data();
  // Board label, blank, the number as five digits (the last five bytes of
  // "00000" followed by the number) and blank.
  if (withNumber) {
    copyBytes(out, label.data(), label.size());
    char* const digits = out + label.size() + 1;
    digits[-1] = ' ';
    const size_t shown = std::min<size_t>(number.size(), 5);
    std::fill(digits, digits + 5 - shown, '0');
    copyBytes(digits + 5 - shown, number.data() + number.size() - shown, shown);
    digits[5] = ' ';
  }
  // The title column, CUTS(the raw title filled up with blanks to 35 bytes,
  // 34): the first 34 of those bytes, the last of them a blank when they
  // end in a lone lead byte. The raw title is the header line's.
  char* const title = out + column;
  copyBytes(title, rawTitle.data(), rawTitle.size());
  std::fill(title + rawTitle.size(), title + 34, ' ');
  if (endsInLoneLeadByte(std::string_view(title, 34))) title[33] = ' ';
  // Blank and the handle column, CUTS(handle, 10).
  title[34] = ' ';
  copyCut(title + 35, handle, 10);
}

// The conference number: "(", two digits, ")", with a value other than 0.
bool Converter::dateLineAccepted() const {
  const std::string_view candidate = record_.mes.view();
  return !candidate.empty() && candidate.front() == '(' &&
         candidate.back() == ')' &&
         shortTextToNumber(candidate.substr(1, 2)) != 0;
}

void Converter::cleanTitle() {
  // The title is cleaned in its own storage, which keeps its capacity from
  // one message to the next: the steps move only where it starts, and the
  // last steps write the result over it from its first byte.
  std::string& title = record_.title.mutableBytes();
  size_t start = 0;
  // As long as the title starts with "RE" in either case and
  // a prefix ends at its first ":" ("RE:" or "RE*...:" or "RE^...:"), the
  // prefix and the blanks after it are taken off. "R" and "E" are
  // single-byte characters, so the first two bytes upper-cased are "RE"
  // exactly when they are these letters.
  for (;;) {
    const std::string_view t = std::string_view(title).substr(start);
    if (t.size() < 2 || (t[0] != 'R' && t[0] != 'r') ||
        (t[1] != 'E' && t[1] != 'e')) {
      break;
    }
    const size_t colon = t.find(':');  // 0-based
    size_t rest = 0;
    if (colon == 2) {
      rest = 3;
    } else if (colon != std::string_view::npos && colon > 2 &&
               (t[2] == '*' || t[2] == '^')) {
      rest = colon + 1;
    } else {
      break;  // unchanged: the loop ends
    }
    start += rest + leadingBlankBytes(t.substr(rest));
  }
  // Then the half-width forms, lower-cased, and two blanks behind.
  toHalfWidthLowerAsciiInPlace(title, start);
  title.append("  ");
}

}  // namespace tess
