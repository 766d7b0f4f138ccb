#include "runtime/numbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

#include "runtime/runtime_error.h"

namespace tess {

namespace {

constexpr int kSignificantDigits = 6;
// Enough digits to write every single-precision value exactly (the longest,
// a subnormal, has 112 significant digits), so that rounding at the 7th
// digit sees the true digits and never a pre-rounded expansion.
constexpr int kExactPrecision = 120;

bool isDigit(unsigned char b) { return b >= '0' && b <= '9'; }

// Value of a hexadecimal (base 16) or octal (base 8) integer whose digits
// start at text[0] and end at the first byte that is not a digit of the
// base. Values past 32 bits raise error 6.
double radixValue(std::string_view text, unsigned base) {
  uint64_t value = 0;
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    unsigned digit;
    if (isDigit(b)) {
      digit = b - '0';
    } else if (base == 16 && b >= 'A' && b <= 'F') {
      digit = b - 'A' + 10;
    } else if (base == 16 && b >= 'a' && b <= 'f') {
      digit = b - 'a' + 10;
    } else {
      break;
    }
    if (digit >= base) break;
    value = value * base + digit;
    if (value > 0xFFFFFFFFu) raiseError(err::kOverflow);
  }
  return static_cast<double>(value);
}

// The decimal number at the start of text (text begins with a sign, a digit
// or a point): optional sign, digits with at most one point, an optional
// exponent introduced by E, e, D or d.
double decimalValue(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // The mantissa, with where its first significant digit stands relative
  // to the point (needed only to tell a too large value from a too small).
  const size_t mantissaStart = i;
  size_t integerDigits = 0;  // significant digits before the point
  int64_t leadingFractionZeros = 0;
  bool seenPoint = false;
  bool seenNonZero = false;
  for (; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b == '.') {
      if (seenPoint) break;
      seenPoint = true;
    } else if (isDigit(b)) {
      if (b != '0') seenNonZero = true;
      if (!seenPoint && seenNonZero) ++integerDigits;
      if (seenPoint && !seenNonZero) ++leadingFractionZeros;
    } else {
      break;
    }
  }
  const std::string_view mantissa =
      text.substr(mantissaStart, i - mantissaStart);

  int64_t exponent = 0;
  if (i < text.size() &&
      (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
    size_t j = i + 1;
    bool negativeExponent = false;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
      negativeExponent = text[j] == '-';
      ++j;
    }
    for (; j < text.size() && isDigit(static_cast<unsigned char>(text[j]));
         ++j) {
      // Saturate far beyond any representable magnitude.
      if (exponent < 1000000) exponent = exponent * 10 + (text[j] - '0');
    }
    if (negativeExponent) exponent = -exponent;
  }
  if (!seenNonZero) return 0;

  // The number in the C form, parsed without any locale.
  std::string c;
  c.reserve(mantissa.size() + 2 + 16);
  c.push_back('0');  // so that a mantissa beginning with the point is valid
  c.append(mantissa);
  c.push_back('e');
  c.append(std::to_string(exponent));
  double value = 0;
  const auto [end, ec] = std::from_chars(c.data(), c.data() + c.size(), value);
  (void)end;
  if (ec == std::errc::result_out_of_range) {
    // Decimal exponent of the first significant digit decides between a
    // value too large (error 6) and one too small (0).
    const int64_t magnitude =
        integerDigits > 0 ? static_cast<int64_t>(integerDigits) - 1 + exponent
                          : -leadingFractionZeros - 1 + exponent;
    if (magnitude >= 0) raiseError(err::kOverflow);
    value = 0;
  } else if (ec != std::errc()) {
    value = 0;
  }
  return negative ? -value : value;
}

}  // namespace

ByteString numberToText(float x) {
  std::string out;
  if (x == 0) return ByteString(" 0");
  out.push_back(std::signbit(x) ? '-' : ' ');

  // Exact decimal digits of |x|: d.ddd...e[+-]kk
  std::array<char, kExactPrecision + 16> buf;
  const auto [end, ec] = std::to_chars(
      buf.data(), buf.data() + buf.size(), std::fabs(static_cast<double>(x)),
      std::chars_format::scientific, kExactPrecision);
  (void)ec;
  const std::string_view text(buf.data(),
                              static_cast<size_t>(end - buf.data()));
  const size_t e = text.find('e');
  int k = 0;
  std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1),
                  text.data() + text.size(), k);

  // The first seven digits; round at the seventh.
  std::array<char, kSignificantDigits + 1> digits;
  digits[0] = text[0];
  for (int i = 1; i <= kSignificantDigits; ++i) digits[i] = text[i + 1];
  int n = kSignificantDigits;
  if (digits[kSignificantDigits] >= '5') {
    int i = kSignificantDigits - 1;
    while (i >= 0 && digits[i] == '9') digits[i--] = '0';
    if (i >= 0) {
      ++digits[i];
    } else {
      digits[0] = '1';
      n = 1;
      ++k;
    }
  }
  while (n > 1 && digits[n - 1] == '0') --n;

  const bool fixed = (k >= 0 && k <= 5) || (k < 0 && (-k - 1) + n <= 6);
  if (fixed && k >= 0) {
    for (int i = 0; i <= k; ++i) out.push_back(i < n ? digits[i] : '0');
    if (n > k + 1) {
      out.push_back('.');
      out.append(digits.data() + k + 1, static_cast<size_t>(n - k - 1));
    }
  } else if (fixed) {
    out.push_back('.');
    out.append(static_cast<size_t>(-k - 1), '0');
    out.append(digits.data(), static_cast<size_t>(n));
  } else {
    out.push_back(digits[0]);
    if (n > 1) {
      out.push_back('.');
      out.append(digits.data() + 1, static_cast<size_t>(n - 1));
    }
    out.push_back('E');
    out.push_back(k >= 0 ? '+' : '-');
    const int a = k >= 0 ? k : -k;
    if (a >= 100) out.push_back(static_cast<char>('0' + a / 100));
    out.push_back(static_cast<char>('0' + a / 10 % 10));
    out.push_back(static_cast<char>('0' + a % 10));
  }
  return ByteString(std::move(out));
}

double textToNumberOf(std::string_view text) {
  return textToNumber(ByteString(text));
}

double textToNumber(const ByteString& s) {
  std::string_view v = s.view();
  size_t i = 0;
  while (i < v.size() && v[i] == ' ') ++i;
  v.remove_prefix(i);
  // The number ends at the first blank after its start.
  const size_t blank = v.find(' ');
  if (blank != std::string_view::npos) v = v.substr(0, blank);
  if (v.empty()) return 0;

  const auto first = static_cast<unsigned char>(v[0]);
  const auto second = v.size() > 1 ? static_cast<unsigned char>(v[1])
                                   : static_cast<unsigned char>(0);
  if (isDigit(first)) return decimalValue(v);
  if ((first == '+' || first == '-') && (isDigit(second) || second == '.'))
    return decimalValue(v);
  if (first == '.' && isDigit(second)) return decimalValue(v);
  if (first == '&' && v.size() > 2) {
    if (second == 'H' || second == 'h') return radixValue(v.substr(2), 16);
    if (second == 'O' || second == 'o') return radixValue(v.substr(2), 8);
  }
  return 0;
}

bool fitsSingle(double x) {
  // Values from 2^128 - 2^103 on round to infinity in single precision.
  constexpr double kOverflowBound = 0x1.ffffffp+127;
  return !std::isnan(x) && std::fabs(x) < kOverflowBound;
}

float toSingle(double x) {
  if (std::isnan(x)) raiseError(err::kIllegalArgument);
  if (!fitsSingle(x)) raiseError(err::kOverflow);
  return static_cast<float>(x);
}

int32_t roundToInteger(double x) {
  if (x == 0) return 0;
  if (std::isnan(x)) raiseError(err::kOverflow);
  // x + 0.5 (or x - 0.5) truncated, computed without the rounding that the
  // addition would suffer in double precision: whole part plus one when the
  // dropped fraction is at least one half. Both parts are exact.
  const double whole = std::trunc(x);
  const double fraction = std::fabs(x - whole);
  const double rounded = fraction >= 0.5 ? whole + (x > 0 ? 1.0 : -1.0) : whole;
  if (rounded < static_cast<double>(std::numeric_limits<int32_t>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<int32_t>::max()))
    raiseError(err::kOverflow);
  return static_cast<int32_t>(rounded);
}

}  // namespace tess
