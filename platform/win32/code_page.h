// The program's text is Shift-JIS bytes (code page 932) whatever the
// system's ANSI code page is; every text that crosses to the OS goes
// through these conversions and the OS's wide (UTF-16) calls.
#pragma once

#include <string>
#include <string_view>

namespace tess::platform::win32 {

// Shift-JIS bytes as UTF-16, for showing: bytes that are no character of
// code page 932 become the replacement character.
std::wstring fromCodePage932(std::string_view bytes);

// Shift-JIS bytes as UTF-16, for names: false when some byte sequence is no
// character of code page 932 (such a name could only reach another file).
bool wideName(std::string_view bytes, std::wstring* wide);

// UTF-16 as Shift-JIS bytes: false when some character has no code in code
// page 932. Nothing is ever replaced by a look-alike or by "?", so a name
// that comes back converted names the same file.
bool toCodePage932(std::wstring_view wide, std::string* bytes);

// UTF-16 as Shift-JIS bytes for showing: characters without a code become
// "?".
std::string toCodePage932Lossy(std::wstring_view wide);

}  // namespace tess::platform::win32
