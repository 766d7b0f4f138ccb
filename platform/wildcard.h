// File-name patterns with the dialogs' meaning of wildcards, shared by the
// POSIX directory search, the POSIX dialogs and the in-memory file system.
#pragma once

#include <string_view>

namespace tess::platform {

// True when the name holds "*" or "?".
bool hasWildcards(std::string_view name);

// "*" matches any run of characters, "?" one character (a Shift-JIS
// double-byte character whole), single-byte ASCII letters match without
// regard to case, and a final ".*" also matches a name with nothing after
// the part before it: "*.*" matches every name, "19*.*" both "1996" and
// "1996.LOG".
bool wildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace tess::platform
