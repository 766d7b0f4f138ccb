#include "ui/win32/ui_text_font.h"

#include <cwchar>
#include <string>
#include <vector>

namespace tess::ui::win32 {
namespace {

// A face of the fonts with the Shift-JIS character set, as the system
// enumerates them.
struct JapaneseFace {
  std::wstring name;
  bool fixedPitch;
};

std::vector<JapaneseFace> japaneseFaces(HDC dc) {
  std::vector<JapaneseFace> faces;
  LOGFONTW query{};
  query.lfCharSet = SHIFTJIS_CHARSET;
  EnumFontFamiliesExW(
      dc, &query,
      [](const LOGFONTW *font, const TEXTMETRICW *, DWORD, LPARAM list) -> int {
        auto *found = reinterpret_cast<std::vector<JapaneseFace> *>(list);
        // "@" faces are for vertical writing.
        if (font->lfCharSet == SHIFTJIS_CHARSET &&
            font->lfFaceName[0] != L'@') {
          found->push_back(
              {font->lfFaceName, (font->lfPitchAndFamily & 3) == FIXED_PITCH});
        }
        return 1;
      },
      reinterpret_cast<LPARAM>(&faces), 0);
  return faces;
}

}  // namespace

TextFont chooseTextFont(HDC dc) {
  HFONT system = static_cast<HFONT>(GetStockObject(SYSTEM_FIXED_FONT));
  LOGFONTW description{};
  if (GetObjectW(system, sizeof description, &description) == 0 ||
      description.lfCharSet == SHIFTJIS_CHARSET) {
    return {system, false};
  }
  std::vector<JapaneseFace> faces = japaneseFaces(dc);
  const JapaneseFace *chosen = nullptr;
  for (const JapaneseFace &face : faces) {
    if (face.name == L"MS Gothic" ||
        face.name == L"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF") {
      chosen = &face;
      break;
    }
  }
  for (const JapaneseFace &face : faces) {
    if (chosen == nullptr && face.fixedPitch) chosen = &face;
  }
  if (chosen == nullptr && !faces.empty()) chosen = &faces.front();
  LOGFONTW japanese{};
  japanese.lfHeight = description.lfHeight != 0 ? description.lfHeight : 16;
  japanese.lfWeight = FW_NORMAL;
  japanese.lfCharSet = SHIFTJIS_CHARSET;
  japanese.lfOutPrecision = OUT_DEFAULT_PRECIS;
  japanese.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  japanese.lfQuality = DEFAULT_QUALITY;
  japanese.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  // Without any Japanese face the font mapper picks by the character set.
  std::wcsncpy(japanese.lfFaceName,
               chosen != nullptr ? chosen->name.c_str() : L"MS Gothic",
               LF_FACESIZE - 1);
  HFONT created = CreateFontIndirectW(&japanese);
  if (created == nullptr) return {system, false};
  return {created, true};
}

}  // namespace tess::ui::win32
