#include "platform/wildcard.h"

#include "platform/shift_jis.h"

namespace tess::platform {

namespace {

char upperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Names are Shift-JIS: a double-byte character is one character, which "?"
// matches whole and "*" never splits. Only a single-byte letter matches
// without regard to case: the second byte of a double-byte character is
// compared as it is.
bool sameCharacter(std::string_view p, size_t pi, std::string_view n, size_t ni,
                   size_t width) {
  if (width == 1) return upperAscii(p[pi]) == upperAscii(n[ni]);
  return p.substr(pi, 2) == n.substr(ni, 2);
}

bool matchPlain(std::string_view p, std::string_view n) {
  size_t pi = 0, ni = 0;
  size_t starP = std::string_view::npos, starN = 0;
  while (ni < n.size()) {
    const size_t nw = charLengthAt(n, ni);
    const size_t pw = pi < p.size() ? charLengthAt(p, pi) : 0;
    if (pi < p.size() && p[pi] == '*') {
      starP = pi++;
      starN = ni;
    } else if (pi < p.size() &&
               (p[pi] == '?' ||
                (pw == nw && sameCharacter(p, pi, n, ni, nw)))) {
      pi += pw;
      ni += nw;
    } else if (starP != std::string_view::npos) {
      pi = starP + 1;
      starN += charLengthAt(n, starN);
      ni = starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

}  // namespace

bool hasWildcards(std::string_view name) {
  return name.find_first_of("*?") != std::string_view::npos;
}

bool wildcardMatch(std::string_view pattern, std::string_view name) {
  if (matchPlain(pattern, name)) return true;
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*") {
    return matchPlain(pattern.substr(0, pattern.size() - 2), name);
  }
  return false;
}

}  // namespace tess::platform
