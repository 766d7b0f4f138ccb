// A text made of other texts at compile time, so that a sentence shown in
// several forms ("... が見つかりません" alone and before a name) is written
// once: kJoined<kA, kB> is a NUL-terminated string holding kA, then kB.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace tess::platform {

template <const char*... Parts>
struct JoinedText {
  static constexpr auto make() {
    constexpr size_t length = (std::char_traits<char>::length(Parts) + ... + 0);
    std::array<char, length + 1> text{};
    size_t at = 0;
    for (const char* part : {Parts...}) {
      for (; *part != '\0'; ++part) text[at++] = *part;
    }
    return text;
  }
  static constexpr std::array value = make();
};

template <const char*... Parts>
inline constexpr const char* kJoined = JoinedText<Parts...>::value.data();

}  // namespace tess::platform
