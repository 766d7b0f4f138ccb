#include "conversion/log_reading_texts.h"

#include "conversion/conversion_texts.inc"

namespace tess {

namespace {

bool converted(const LogReading& reading) {
  return reading.encoding != LogEncoding::ShiftJis &&
         reading.encoding != LogEncoding::Auto;
}

bool lfEnds(const LogReading& reading) {
  return reading.lineEnds == LineEnds::Lf;
}

}  // namespace

const char* encodingName(LogEncoding encoding) {
  switch (encoding) {
    case LogEncoding::ShiftJis:
      return "Shift-JIS";
    case LogEncoding::Utf8:
      return "UTF-8";
    case LogEncoding::EucJp:
      return "EUC-JP";
    case LogEncoding::Iso2022Jp:
      return "ISO-2022-JP";
    default:
      return "";
  }
}

ByteString readingNotice(const LogReading& reading) {
  if (!converted(reading))
    return ByteString(lfEnds(reading) ? texts::kLfOnly : "");
  std::string text =
      std::string(encodingName(reading.encoding)) + texts::kOfLog;
  if (lfEnds(reading)) text += texts::kAndLf;
  return ByteString(std::move(text));
}

ByteString replacedNotice(uint64_t replaced) {
  if (replaced == 0) return ByteString();
  return ByteString(texts::kReplacedBefore + std::to_string(replaced) +
                    texts::kReplacedAfter);
}

ByteString lookNotice(const LogReading& reading) {
  switch (reading.look) {
    case LogLook::LfEnds:
      return ByteString(texts::kLooksLf);
    case LogLook::NotShiftJis:
      return ByteString(texts::kLooksOther);
    case LogLook::NotText:
      return ByteString(texts::kLooksBinary);
    default:
      return ByteString();
  }
}

std::string readingNoticeText(const LogReading& reading) {
  if (!converted(reading)) return lfEnds(reading) ? "lines end in LF only" : "";
  return std::string(encodingName(reading.encoding)) +
         (lfEnds(reading) ? " log with LF line ends" : " log") +
         ", read as Shift-JIS";
}

std::string replacedNoticeText(uint64_t replaced) {
  if (replaced == 0) return "";
  return std::to_string(replaced) +
         (replaced == 1 ? " character" : " characters") +
         " not in Shift-JIS written as the missing-character mark";
}

std::string lookNoticeText(const LogReading& reading) {
  switch (reading.look) {
    case LogLook::LfEnds:
      return "its lines seem to end in LF only (read with CR ends)";
    case LogLook::NotShiftJis:
      return "much of its text is neither Shift-JIS nor UTF-8, EUC-JP or "
             "ISO-2022-JP";
    case LogLook::NotText:
      return "it does not look like a text file";
    default:
      return "";
  }
}

}  // namespace tess
