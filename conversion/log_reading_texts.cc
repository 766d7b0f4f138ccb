#include "conversion/log_reading_texts.h"

namespace tess {

namespace {

//  のログを Shift-JIS に変換して読みます
constexpr const char* kOfLog =
    " \x82\xCC\x83\x8D\x83O\x82\xF0 Shift-JIS \x82\xC9\x95\xCF\x8A\xB7\x82\xB5"
    "\x82\xC4\x93\xC7\x82\xDD\x82\xDC\x82\xB7";
// 改行が LF だけのログとして読みます
constexpr const char* kLfOnly =
    "\x89\xFC\x8Ds\x82\xAA LF \x82\xBE\x82\xAF\x82\xCC\x83\x8D\x83O\x82\xC6"
    "\x82\xB5\x82\xC4\x93\xC7\x82\xDD\x82\xDC\x82\xB7";
// （改行は LF だけ）
constexpr const char* kAndLf =
    "\x81i\x89\xFC\x8Ds\x82\xCD LF \x82\xBE\x82\xAF\x81j";
// Shift-JIS にない文字
constexpr const char* kReplacedBefore =
    "Shift-JIS \x82\xC9\x82\xC8\x82\xA2\x95\xB6\x8E\x9A ";
//  個を〓にしました
constexpr const char* kReplacedAfter =
    " \x8C\xC2\x82\xF0\x81\xAC\x82\xC9\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// 改行が LF だけのログのようです（CR の改行として読みました）
constexpr const char* kLooksLf =
    "\x89\xFC\x8Ds\x82\xAA LF \x82\xBE\x82\xAF\x82\xCC\x83\x8D\x83O\x82\xCC"
    "\x82\xE6\x82\xA4\x82\xC5\x82\xB7\x81iCR \x82\xCC\x89\xFC\x8Ds\x82\xC6"
    "\x82\xB5\x82\xC4\x93\xC7\x82\xDD\x82\xDC\x82\xB5\x82\xBD\x81j";
// Shift-JIS でも UTF-8・EUC-JP・ISO-2022-JP でもない文字が多いログです
constexpr const char* kLooksOther =
    "Shift-JIS \x82\xC5\x82\xE0 UTF-8\x81"
    "EEUC-JP\x81"
    "EISO-2022-JP \x82\xC5\x82\xE0\x82\xC8\x82\xA2\x95\xB6\x8E\x9A\x82\xAA"
    "\x91\xBD\x82\xA2\x83\x8D\x83O\x82\xC5\x82\xB7";
// テキストのファイルではないようです
constexpr const char* kLooksBinary =
    "\x83"
    "e\x83L\x83X\x83g\x82\xCC\x83t\x83@\x83"
    "C\x83\x8B\x82\xC5\x82\xCD\x82\xC8\x82\xA2\x82\xE6\x82\xA4\x82\xC5\x82\xB7";

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
  if (!converted(reading)) return ByteString(lfEnds(reading) ? kLfOnly : "");
  std::string text = std::string(encodingName(reading.encoding)) + kOfLog;
  if (lfEnds(reading)) text += kAndLf;
  return ByteString(std::move(text));
}

ByteString replacedNotice(uint64_t replaced) {
  if (replaced == 0) return ByteString();
  return ByteString(kReplacedBefore + std::to_string(replaced) +
                    kReplacedAfter);
}

ByteString lookNotice(const LogReading& reading) {
  switch (reading.look) {
    case LogLook::LfEnds:
      return ByteString(kLooksLf);
    case LogLook::NotShiftJis:
      return ByteString(kLooksOther);
    case LogLook::NotText:
      return ByteString(kLooksBinary);
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
