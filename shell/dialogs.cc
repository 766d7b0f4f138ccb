#include "shell/dialogs.h"

#include <cstdio>
#include <iterator>
#include <utility>

#include "platform/shift_jis.h"
#include "runtime/runtime_error.h"
#include "shell/shell_texts.inc"

namespace tess {

namespace {

constexpr size_t kMaxFilter = 512;
constexpr size_t kMaxTitle = 64;

// The box statement's button and icon numbers, in order.
constexpr ui::BoxButtons kBoxButtons[] = {ui::BoxButtons::Ok,
                                          ui::BoxButtons::OkCancel,
                                          ui::BoxButtons::AbortRetryIgnore,
                                          ui::BoxButtons::YesNoCancel,
                                          ui::BoxButtons::YesNo,
                                          ui::BoxButtons::RetryCancel};
constexpr ui::BoxIcon kBoxIcons[] = {
    ui::BoxIcon::Stop, ui::BoxIcon::Question, ui::BoxIcon::Exclamation,
    ui::BoxIcon::Information, ui::BoxIcon::None};
static_assert(std::size(kBoxButtons) == box::kRetryCancel + 1);
static_assert(std::size(kBoxIcons) == box::kNoIcon + 1);

ui::FileFilter convertItem(std::string_view item) {
  // "(", ")", ";", ",", tab and blank are never the second byte of a
  // double-byte character, so a byte-wise scan is safe here.
  const size_t open = item.find('(');
  if (open == std::string_view::npos) raiseError(err::kIllegalArgument);
  const size_t close = item.rfind(')');
  if (close == std::string_view::npos || close < open) {
    raiseError(err::kIllegalArgument);
  }
  ui::FileFilter result;
  result.display = std::string(item);
  for (char c : item.substr(open + 1, close - open - 1)) {
    if (c == '\t' || c == ' ') continue;
    result.pattern += c == ',' ? ';' : c;
  }
  return result;
}

std::string twoDigits(int a, int b, int c, char separator) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2d%c%.2d%c%.2d", a, separator, b,
                separator, c);
  return text;
}

}  // namespace

std::vector<ui::FileFilter> convertFilter(const ByteString& filter) {
  if (filter.size() > kMaxFilter) raiseError(err::kIllegalArgument);
  std::string_view text =
      filter.empty() ? std::string_view(texts::kEveryFile) : filter.view();
  std::vector<ui::FileFilter> items;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(';', start);
    if (end == std::string_view::npos) {
      items.push_back(convertItem(text.substr(start)));
      return items;
    }
    items.push_back(convertItem(text.substr(start, end - start)));
    start = end + 1;
  }
}

size_t nameStart(std::string_view path, const platform::FileSystem& fs) {
  return platform::pathNameStart(
      path, [&fs](unsigned char byte) { return fs.isSeparator(byte); });
}

Dialogs::Dialogs(platform::FileSystem& fs, ui::FrontEnd& ui,
                 TextWindow* mainWindow, StatementObserver* observer)
    : fs_(fs), ui_(ui), mainWindow_(mainWindow), observer_(observer) {}

Dialogs::~Dialogs() = default;

template <typename F>
auto Dialogs::statement(std::source_location where, F&& body)
    -> decltype(body()) {
  if (observer_ != nullptr) observer_->start(where.line());
  try {
    return body();
  } catch (RuntimeError& e) {
    e.setLine(where.line());
    throw;
  }
}

ByteString Dialogs::showOpenDialog(int64_t window, const ByteString& title,
                                   const ByteString& initialName,
                                   const ByteString& filter, int64_t mode,
                                   std::source_location where) {
  return statement(where, [&] {
    return fileDialog(false, window, title, initialName, filter, mode);
  });
}

ByteString Dialogs::showSaveDialog(int64_t window, const ByteString& title,
                                   const ByteString& initialName,
                                   const ByteString& filter, int64_t mode,
                                   std::source_location where) {
  return statement(where, [&] {
    return fileDialog(true, window, title, initialName, filter, mode);
  });
}

std::string Dialogs::initialFolder(std::string_view name) {
  std::string full;
  if (!fs_.fullPath(name, &full)) return std::string();
  full.resize(nameStart(full, fs_));
  // A final separator goes, unless it ends a drive ("D:\") or is the root.
  if (full.size() > 1 && full.back() != ':' &&
      fs_.isSeparator(static_cast<unsigned char>(full.back())) &&
      full[full.size() - 2] != ':') {
    full.pop_back();
  }
  return full;
}

ByteString Dialogs::fileDialog(bool save, int64_t window,
                               const ByteString& title,
                               const ByteString& initialName,
                               const ByteString& filter, int64_t mode) {
  TextWindow& owner = lookupWindow(mainWindow_, window);
  if (!owner.hasTextGrid()) raiseError(err::kWrongWindowKind);
  if (title.size() > kMaxTitle) raiseError(err::kIllegalArgument);
  if (initialName.size() > maxPathBytes()) raiseError(err::kIllegalArgument);
  if (mode != 0 && mode != 1) raiseError(err::kIllegalArgument);

  ui::FileDialogRequest request;
  request.save = save;
  request.title = title.str();
  request.filters = convertFilter(filter);
  request.filterIndex = 1;
  const std::string_view name =
      initialName.view().substr(nameStart(initialName.view(), fs_));
  request.fileName = std::string(name);
  // The save dialog takes only the name part, so it opens in the current
  // directory; the open dialog opens in the initial name's folder.
  request.initialFolder = initialFolder(save ? name : initialName.view());
  request.pathMustExist = true;
  request.maxPathBytes = maxPathBytes();
  if (save) {
    request.overwritePrompt = mode == 0;
  } else {
    request.fileMustExist = mode == 0;
  }

  std::optional<std::string> chosen = ui_.fileDialog(request);
  if (!chosen || chosen->size() > maxPathBytes()) return CancelMarker;
  return ByteString(std::move(*chosen));
}

int Dialogs::showMessageBox(int64_t window, const ByteString& caption,
                            const ByteString& text, int64_t buttons,
                            int64_t icon) {
  TextWindow& owner = lookupWindow(mainWindow_, window);
  if (!owner.hasTextGrid()) raiseError(err::kWrongWindowKind);
  if (buttons < box::kOk || buttons > box::kRetryCancel) {
    raiseError(err::kIllegalArgument);
  }
  if (icon < box::kStop || icon > box::kNoIcon) {
    raiseError(err::kIllegalArgument);
  }
  const ui::BoxStyle style{kBoxButtons[buttons], kBoxIcons[icon]};
  switch (ui_.messageBox(caption.str(), text.str(), style)) {
    case ui::BoxAnswer::Ok:
      return box::kAnsweredOk;
    case ui::BoxAnswer::Cancel:
      return box::kAnsweredCancel;
    case ui::BoxAnswer::Abort:
      return box::kAnsweredAbort;
    case ui::BoxAnswer::Retry:
      return box::kAnsweredRetry;
    case ui::BoxAnswer::Ignore:
      return box::kAnsweredIgnore;
    case ui::BoxAnswer::Yes:
      return box::kAnsweredYes;
    case ui::BoxAnswer::No:
      return box::kAnsweredNo;
  }
  return box::kAnsweredOk;
}

void Dialogs::changeDirectory(const ByteString& path,
                              std::source_location where) {
  statement(where, [&] {
    if (path.size() > maxPathBytes()) raiseError(err::kIllegalArgument);
    const int error = fs_.changeDirectory(path.view());
    if (error != 0) raiseError(static_cast<uint16_t>(error));
  });
}

void Dialogs::openSearch(int64_t slot, const ByteString& pattern,
                         std::source_location where) {
  statement(where, [&] {
    if (pattern.size() > maxPathBytes()) raiseError(err::kIllegalArgument);
    if (slot < 1 || slot > kSearchSlots) raiseError(err::kBadChannel);
    Slot& s = slots_[static_cast<size_t>(slot)];
    if (s.inUse) raiseError(err::kAlreadyOpen);
    s = Slot();
    s.pattern = pattern.str();
    s.inUse = true;
  });
}

Dialogs::Slot& Dialogs::slotInUse(int64_t slot) {
  if (slot < 1 || slot > kSearchSlots) raiseError(err::kBadChannel);
  Slot& s = slots_[static_cast<size_t>(slot)];
  if (!s.inUse) raiseError(err::kNotOpen);
  return s;
}

void Dialogs::nextMatch(int64_t slot, std::source_location where) {
  statement(where, [&] {
    Slot& s = slotInUse(slot);
    if (s.started && !s.found) raiseError(err::kInputPastEnd);
    if (!s.started) {
      s.started = true;
      s.search = fs_.findFirst(s.pattern, &s.match);
      s.found = s.search != nullptr;
    } else {
      s.found = s.search->next(&s.match);
    }
  });
}

bool Dialogs::searchExhausted(int64_t slot) {
  Slot& s = slotInUse(slot);
  if (!s.started) raiseError(err::kIllegalArgument);
  return !s.found;
}

ByteString Dialogs::matchInfo(int64_t slot, int64_t what) {
  Slot& s = slotInUse(slot);
  if (what < 0 || what > 4) raiseError(err::kIllegalArgument);
  // Only an entry that was found can be described.
  if (!s.started) raiseError(err::kIllegalArgument);
  if (!s.found) raiseError(err::kInputPastEnd);
  const platform::DirEntry& m = s.match;
  switch (what) {
    case 0:
      return ByteString(m.name);
    case 1:
      return ByteString(std::to_string(m.size));
    case 2:
      return ByteString(twoDigits(m.year % 100, m.month, m.day, '/'));
    case 3:
      return ByteString(twoDigits(m.hour, m.minute, m.second, ':'));
    default: {
      std::string letters;
      letters += m.directory ? 'D' : '-';
      letters += m.readOnly ? 'R' : '-';
      letters += m.archive ? 'A' : '-';
      return ByteString(std::move(letters));
    }
  }
}

void Dialogs::closeSearch(int64_t slot, std::source_location where) {
  statement(where, [&] {
    if (slot < 1 || slot > kSearchSlots) raiseError(err::kBadChannel);
    slots_[static_cast<size_t>(slot)] = Slot();  // ends the search
  });
}

}  // namespace tess
