#include "ui/win32/window_support.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "platform/shift_jis.h"
#include "ui/win32/window_texts.inc"

namespace tess::ui::win32 {
namespace {

constexpr UINT kShiftJis = 932;

}  // namespace

std::wstring dialogFilter(const std::vector<FileFilter>& filters) {
  std::wstring list;
  for (const FileFilter& filter : filters) {
    list += platform::win32::fromCodePage932(filter.display);
    list += L'\0';
    list += platform::win32::fromCodePage932(filter.pattern);
    list += L'\0';
  }
  list += L'\0';
  return list;
}

DWORD dialogFlags(const FileDialogRequest& request) {
  DWORD flags = OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (request.fileMustExist) flags |= OFN_FILEMUSTEXIST;
  if (request.pathMustExist) flags |= OFN_PATHMUSTEXIST;
  if (request.overwritePrompt) flags |= OFN_OVERWRITEPROMPT;
  return flags;
}

void prepareDialog(const FileDialogRequest& request, HWND owner,
                   DialogBuffers* buffers, OPENFILENAMEW* block) {
  buffers->filter = dialogFilter(request.filters);
  buffers->title = platform::win32::fromCodePage932(request.title);
  // A folder whose name is no Shift-JIS text is left out: the dialog then
  // opens in the current one.
  if (!platform::win32::wideName(request.initialFolder,
                                 &buffers->initialFolder)) {
    buffers->initialFolder.clear();
  }
  buffers->file.assign(kDialogFileBuffer, L'\0');
  // Cutting a name must not leave half a double-byte character behind: the
  // cut is made on the bytes, then converted.
  size_t length = std::min(request.fileName.size(), kDialogFileBuffer - 1);
  size_t whole = 0;
  for (size_t i = 0; i < length;) {
    size_t width =
        platform::isLeadByte(static_cast<unsigned char>(request.fileName[i]))
            ? 2
            : 1;
    if (i + width > length) break;
    i += width;
    whole = i;
  }
  std::wstring name = platform::win32::fromCodePage932(
      std::string_view(request.fileName).substr(0, whole));
  name.resize(std::min(name.size(), kDialogFileBuffer - 1));
  std::wmemcpy(buffers->file.data(), name.data(), name.size());

  *block = OPENFILENAMEW{};
  // The block as the common dialogs have known it since Windows 95; the
  // later fields (places bar, extended flags) stay unused.
  block->lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  block->hwndOwner = owner;
  block->hInstance = nullptr;
  block->lpstrFilter =
      request.filters.empty() ? nullptr : buffers->filter.data();
  block->lpstrCustomFilter = nullptr;
  block->nFilterIndex = static_cast<DWORD>(std::max(request.filterIndex, 1));
  block->lpstrFile = buffers->file.data();
  block->nMaxFile = static_cast<DWORD>(buffers->file.size());
  block->lpstrFileTitle = nullptr;
  block->lpstrInitialDir =
      buffers->initialFolder.empty() ? nullptr : buffers->initialFolder.c_str();
  block->lpstrTitle = buffers->title.c_str();
  block->Flags = dialogFlags(request);
  block->lpstrDefExt = nullptr;
}

std::wstring dialogResult(const DialogBuffers& buffers) {
  return std::wstring(buffers.file.data(),
                      wcsnlen(buffers.file.data(), buffers.file.size()));
}

std::string pathTooLongNotice(size_t maxPathBytes) {
  return texts::kPathTooLong + std::to_string(maxPathBytes) + texts::kPathLimit;
}

std::string unusableNameNotice() { return texts::kUnusableName; }

std::optional<std::string> chooseFile(const FileDialogRequest& request,
                                      HWND owner, const DialogCalls& calls) {
  const size_t limit = std::min(request.maxPathBytes, kDialogFileBuffer - 1);
  // Only the user ends the loop; the bound guards against a dialog that
  // keeps failing without showing itself.
  for (int round = 0; round < 100; ++round) {
    DialogBuffers buffers;
    OPENFILENAMEW block;
    prepareDialog(request, owner, &buffers, &block);
    // A code page 932 character takes at least one byte, so a path longer
    // than the limit in characters is longer in bytes as well.
    block.nMaxFile = static_cast<DWORD>(limit + 1);
    if (calls.show(&block)) {
      std::string chosen;
      if (!platform::win32::toCodePage932(dialogResult(buffers), &chosen)) {
        // Never another name in its place: the user chooses again.
        calls.notice(unusableNameNotice());
        continue;
      }
      if (chosen.size() <= limit) return chosen;
    } else if (calls.lastError() != FNERR_BUFFERTOOSMALL) {
      return std::nullopt;
    }
    calls.notice(pathTooLongNotice(limit));
  }
  return std::nullopt;
}

RowText rowText(const unsigned char* cells, int columns, int cellWidth) {
  RowText row;
  row.text.reserve(static_cast<size_t>(columns));
  row.advances.reserve(static_cast<size_t>(columns));
  for (int column = 0; column < columns;) {
    unsigned char byte = cells[column];
    int width = (platform::isLeadByte(byte) && column + 1 < columns) ? 2 : 1;
    if (width == 1 &&
        (byte < 0x20 || byte == 0x7F || platform::isLeadByte(byte))) {
      // Control bytes and a lead byte cut off by the row's end show as
      // blank cells.
      row.text.push_back(L' ');
      row.advances.push_back(cellWidth);
      ++column;
      continue;
    }
    wchar_t wide[2];
    int count = MultiByteToWideChar(
        kShiftJis, 0, reinterpret_cast<const char*>(cells + column), width,
        wide, 2);
    if (count == 1) {
      row.text.push_back(wide[0]);
      row.advances.push_back(width * cellWidth);
    } else if (count == 2) {
      // A pair that is no character comes back as two: one per cell.
      row.text.push_back(wide[0]);
      row.advances.push_back(cellWidth);
      row.text.push_back(wide[1]);
      row.advances.push_back((width - 1) * cellWidth);
    } else {
      row.text.push_back(L' ');
      row.advances.push_back(width * cellWidth);
    }
    column += width;
  }
  return row;
}

}  // namespace tess::ui::win32
