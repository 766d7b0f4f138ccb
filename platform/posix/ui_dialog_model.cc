#include "platform/posix/ui_dialog_model.h"

#include <algorithm>

#include "platform/posix/ui_texts.h"
#include "platform/shift_jis.h"
#include "platform/wildcard.h"

namespace tess::platform {

namespace {

// The starts of the characters of text, and its size as the last element.
std::vector<size_t> characterStarts(std::string_view text) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size(); i += sjisCharLength(text, i)) {
    starts.push_back(i);
  }
  starts.push_back(text.size());
  return starts;
}

bool isWordGap(char c) { return c == ' ' || c == '/'; }

}  // namespace

KeyName controlKey(unsigned char byte) {
  switch (byte) {
    case 1:
      return KeyName::CtrlA;
    case 3:
      return KeyName::Break;
    case 5:
      return KeyName::CtrlE;
    case 8:
    case 127:
      return KeyName::Backspace;
    case 9:
      return KeyName::Tab;
    case 10:
    case 13:
      return KeyName::Enter;
    case 11:
      return KeyName::CtrlK;
    case 21:
      return KeyName::CtrlU;
    case 23:
      return KeyName::CtrlW;
    case 25:
      return KeyName::Copy;
    case 27:
      return KeyName::Escape;
    default:
      return KeyName::None;
  }
}

bool escapeSequenceComplete(std::string_view s) {
  if (s.empty()) return false;
  if (s.size() >= 64) return true;  // nothing this long is a key: give up
  const char kind = s[0];
  if (kind == '\x1b')
    return s.size() > 1 && escapeSequenceComplete(s.substr(1));
  if (kind == '[') {
    // The Linux console's function keys: "[[" and one letter.
    if (s.size() >= 2 && s[1] == '[') return s.size() >= 3;
    for (size_t i = 1; i < s.size(); ++i) {
      const auto b = static_cast<unsigned char>(s[i]);
      if (b >= 0x40 && b <= 0x7E) return true;
    }
    return false;
  }
  if (kind == 'O') return s.size() >= 2;
  if (kind == ']' || kind == 'P' || kind == '_' || kind == '^') {
    return s.back() == '\a' ||
           (s.size() >= 3 && s[s.size() - 2] == '\x1b' && s.back() == '\\');
  }
  return true;  // Alt with one character
}

KeyName decodeEscapeSequence(std::string_view s) {
  struct Known {
    std::string_view sequence;
    KeyName key;
  };
  static constexpr Known kKnown[] = {
      {"[A", KeyName::Up},      {"[B", KeyName::Down},
      {"[C", KeyName::Right},   {"[D", KeyName::Left},
      {"[H", KeyName::Home},    {"[F", KeyName::End},
      {"OA", KeyName::Up},      {"OB", KeyName::Down},
      {"OC", KeyName::Right},   {"OD", KeyName::Left},
      {"OH", KeyName::Home},    {"OF", KeyName::End},
      {"OM", KeyName::Enter},   {"[Z", KeyName::BackTab},
      {"[1~", KeyName::Home},   {"[7~", KeyName::Home},
      {"[4~", KeyName::End},    {"[8~", KeyName::End},
      {"[5~", KeyName::PageUp}, {"[6~", KeyName::PageDown},
      {"[3~", KeyName::Delete}, {"OQ", KeyName::Copy},
      {"[12~", KeyName::Copy},
  };
  for (const Known& known : kKnown) {
    if (s == known.sequence) return known.key;
  }
  return KeyName::None;
}

size_t sjisCharLength(std::string_view text, size_t i) {
  return charLengthAt(text, i);
}

std::string fitSjis(std::string_view text, size_t cells, bool keepEnd) {
  if (text.size() <= cells) return std::string(text);
  if (cells == 0) return std::string();
  const std::vector<size_t> starts = characterStarts(text);
  if (keepEnd) {
    for (size_t start : starts) {
      if (text.size() - start <= cells - 1) {
        return "<" + std::string(text.substr(start));
      }
    }
    return "<";
  }
  size_t end = 0;
  for (size_t start : starts) {
    if (start > cells - 1) break;
    end = start;
  }
  return std::string(text.substr(0, end)) + ">";
}

void LineEditor::set(std::string text) {
  text_ = std::move(text);
  cursor_ = text_.size();
}

size_t LineEditor::previous(size_t i) const {
  size_t last = 0;
  for (size_t start : characterStarts(text_)) {
    if (start >= i) break;
    last = start;
  }
  return last;
}

bool LineEditor::apply(const DialogKey& key) {
  switch (key.name) {
    case KeyName::Text:
      text_.insert(cursor_, key.text);
      cursor_ += key.text.size();
      return true;
    case KeyName::Left:
      if (cursor_ > 0) cursor_ = previous(cursor_);
      return true;
    case KeyName::Right:
      if (cursor_ < text_.size()) cursor_ += sjisCharLength(text_, cursor_);
      return true;
    case KeyName::Home:
    case KeyName::CtrlA:
      cursor_ = 0;
      return true;
    case KeyName::End:
    case KeyName::CtrlE:
      cursor_ = text_.size();
      return true;
    case KeyName::Backspace:
      if (cursor_ > 0) {
        const size_t start = previous(cursor_);
        text_.erase(start, cursor_ - start);
        cursor_ = start;
      }
      return true;
    case KeyName::Delete:
      if (cursor_ < text_.size()) {
        text_.erase(cursor_, sjisCharLength(text_, cursor_));
      }
      return true;
    case KeyName::CtrlU:
      text_.erase(0, cursor_);
      cursor_ = 0;
      return true;
    case KeyName::CtrlK:
      text_.erase(cursor_);
      return true;
    case KeyName::CtrlW: {
      // The word before the cursor and the blanks or "/" after it, as far
      // back as the previous blank or "/" (a path loses its last folder).
      size_t start = cursor_;
      while (start > 0 && isWordGap(text_[previous(start)])) {
        start = previous(start);
      }
      while (start > 0 && !isWordGap(text_[previous(start)])) {
        start = previous(start);
      }
      text_.erase(start, cursor_ - start);
      cursor_ = start;
      return true;
    }
    default:
      return false;
  }
}

std::string LineEditor::visible(size_t width, size_t* cursorCell) const {
  if (width == 0) {
    *cursorCell = 0;
    return std::string();
  }
  const std::vector<size_t> starts = characterStarts(text_);
  // The first character shown: the cursor must stand within the field,
  // with room for itself after the text.
  size_t first = 0;
  for (size_t start : starts) {
    if (cursor_ - start <= width - 1) {
      first = start;
      break;
    }
  }
  size_t end = first;
  for (size_t start : starts) {
    if (start < first) continue;
    if (start - first > width) break;
    end = start;
  }
  *cursorCell = cursor_ - first;
  return text_.substr(first, end - first);
}

FileDialogModel::FileDialogModel(FileSystem& fs,
                                 const FileDialogRequest& request)
    : fs_(fs), request_(request) {
  folder_ = startFolder(fs_, request_);
  if (!request_.filters.empty()) {
    filterIndex_ = static_cast<size_t>(
        std::clamp(request_.filterIndex - 1, 0,
                   static_cast<int>(request_.filters.size()) - 1));
    pattern_ = request_.filters[filterIndex_].pattern;
  } else {
    pattern_ = "*.*";
  }
  initialName_ = request_.fileName;
  name_.set(initialName_);
  // A name with wildcards in the name box lists what it matches.
  if (hasWildcards(initialName_) &&
      initialName_.find('/') == std::string::npos) {
    pattern_ = initialName_;
    customPattern_ = request_.filters.empty() ||
                     pattern_ != request_.filters[filterIndex_].pattern;
  }
  reload();
}

void FileDialogModel::setListRows(int rows) {
  rows = std::max(1, rows);
  // Rows gained (a terminal grown) show entries above the first one shown
  // too, "../" first of all, as long as the highlight stays in view.
  if (rows > listRows_) top_ = std::max(0, top_ - (rows - listRows_));
  listRows_ = rows;
  keepInView();
}

std::string FileDialogModel::typeText() const {
  return customPattern_ || request_.filters.empty()
             ? pattern_
             : request_.filters[filterIndex_].display;
}

std::string FileDialogModel::position() const {
  return std::to_string(selected_ + 1) + "/" + std::to_string(entries_.size());
}

std::string FileDialogModel::entryText(const ListEntry& entry) {
  return entry.name + (entry.folder ? "/" : "");
}

void FileDialogModel::reload() {
  entries_ = listFolder(fs_, folder_, pattern_, &unnamed_);
  selected_ = -1;
  top_ = 0;
  if (focus_ == DialogFocus::List) focus_ = DialogFocus::Name;
  if (unnamed_ > 0) {
    notice_ = std::string(texts::kSkippedBefore) + std::to_string(unnamed_) +
              texts::kSkippedAfter;
  }
}

void FileDialogModel::keepInView() {
  const int count = static_cast<int>(entries_.size());
  top_ = std::clamp(top_, 0, std::max(0, count - listRows_));
  if (selected_ < 0) return;
  if (selected_ < top_) top_ = selected_;
  if (selected_ >= top_ + listRows_) top_ = selected_ - listRows_ + 1;
}

void FileDialogModel::highlight(int index) {
  if (entries_.empty()) return;
  selected_ = std::clamp(index, 0, static_cast<int>(entries_.size()) - 1);
  focus_ = DialogFocus::List;
  // The name field shows what Enter acts on: the file, or the folder with
  // its separator (which Enter in the name field enters as well).
  const ListEntry& entry = entries_[static_cast<size_t>(selected_)];
  if (!nameFromList_) nameBeforeList_ = name_.text();
  name_.set(entryText(entry));
  nameFromList_ = true;
  keepInView();
}

void FileDialogModel::leaveList(DialogFocus focus) {
  selected_ = -1;
  focus_ = focus;
}

void FileDialogModel::switchType(int step) {
  if (request_.filters.empty()) return;
  const int n = static_cast<int>(request_.filters.size());
  int index = static_cast<int>(filterIndex_);
  if (!customPattern_) index = (index + step + n) % n;
  filterIndex_ = static_cast<size_t>(index);
  pattern_ = request_.filters[filterIndex_].pattern;
  customPattern_ = false;
  // A pattern or a listed name in the name field follows the new type, so
  // that Enter does not bring the old one back.
  if (nameFromList_ || hasWildcards(name_.text())) {
    name_.set(pattern_);
    nameFromList_ = false;
  }
  reload();
}

bool FileDialogModel::enterFolder(const std::string& path,
                                  const std::string& cameFrom) {
  std::string full;
  if (!fs_.fullPath(path, &full) || !isFolder(fs_, full)) {
    notice_ = texts::kFolderMissing + path;
    return false;
  }
  folder_ = full;
  // A listed name belongs to the folder it was listed in: the name field
  // gets back what it held before the list took it over.
  if (nameFromList_) {
    name_.set(nameBeforeList_);
    nameFromList_ = false;
  }
  reload();
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].folder && entries_[i].name == cameFrom) {
      highlight(static_cast<int>(i));
      return true;
    }
  }
  focus_ = DialogFocus::Name;
  return true;
}

DialogOutcome FileDialogModel::applyHighlight() {
  const ListEntry& entry = entries_[static_cast<size_t>(selected_)];
  if (!entry.folder) return applyName(entry.name);
  if (entry.name == "..") {
    enterFolder(parentFolder(fs_, folder_), lastComponent(fs_, folder_));
  } else {
    enterFolder(joinPath(fs_, folder_, entry.name), std::string());
  }
  return DialogOutcome::Open;
}

DialogOutcome FileDialogModel::applyName(const std::string& name) {
  const NameCheck check = checkDialogName(fs_, request_, folder_, name);
  switch (check.verdict) {
    case NameVerdict::Accept:
      result_ = check.fullPath;
      if (request_.overwritePrompt && fs_.exists(result_)) {
        confirming_ = true;
        notice_ = texts::kReplaceAsk;
        return DialogOutcome::Open;
      }
      return DialogOutcome::Chosen;
    case NameVerdict::Empty:
      notice_ = texts::kNeedName;
      break;
    case NameVerdict::Wildcards: {
      if (enterFolder(parentFolder(fs_, check.fullPath), std::string())) {
        pattern_ = lastComponent(fs_, check.fullPath);
        customPattern_ = true;
        name_.set(pattern_);
        nameFromList_ = false;
        reload();
      }
      break;
    }
    case NameVerdict::Folder:
      nameFromList_ = false;
      name_.set(initialName_);
      enterFolder(check.fullPath, std::string());
      break;
    case NameVerdict::FileMissing:
      notice_ = texts::kFileMissing + lastComponent(fs_, check.fullPath);
      break;
    case NameVerdict::FolderMissing:
      notice_ = texts::kFolderMissing + parentFolder(fs_, check.fullPath);
      break;
    case NameVerdict::Unusable:
      notice_ = texts::kUnusableName + name;
      break;
    case NameVerdict::TooLong:
      notice_ = texts::kTooLongBefore + std::to_string(request_.maxPathBytes) +
                texts::kTooLongAfter;
      break;
  }
  return DialogOutcome::Open;
}

DialogOutcome FileDialogModel::press(const DialogKey& key) {
  notice_.clear();
  if (confirming_) {
    confirming_ = false;
    if (key.name == KeyName::Enter) return DialogOutcome::Chosen;
    result_.clear();
    return DialogOutcome::Open;
  }
  const int count = static_cast<int>(entries_.size());
  switch (key.name) {
    case KeyName::Escape:
      return DialogOutcome::Cancelled;
    case KeyName::Copy:
      notice_ = texts::kCopied;
      return DialogOutcome::Copy;
    case KeyName::Tab:
      switchType(1);
      break;
    case KeyName::BackTab:
      switchType(-1);
      break;
    case KeyName::BadText:
      notice_ = texts::kBadCharacter;
      break;
    case KeyName::Up:
      if (focus_ == DialogFocus::List) {
        if (selected_ > 0) {
          highlight(selected_ - 1);
        } else {
          // Above "../": the name field gets back what it held before.
          if (nameFromList_ && entries_[0].folder) {
            name_.set(nameBeforeList_);
            nameFromList_ = false;
          }
          leaveList(DialogFocus::Name);
        }
      } else if (focus_ == DialogFocus::Name) {
        focus_ = DialogFocus::Type;
      }
      break;
    case KeyName::Down:
      if (focus_ == DialogFocus::Type) {
        focus_ = DialogFocus::Name;
      } else {
        highlight(selected_ + 1);
      }
      break;
    case KeyName::PageDown:
      highlight(selected_ + listRows_);
      break;
    case KeyName::PageUp:
      if (focus_ == DialogFocus::List) highlight(selected_ - listRows_);
      break;
    case KeyName::Home:
    case KeyName::End:
      if (focus_ == DialogFocus::List) {
        highlight(key.name == KeyName::Home ? 0 : count - 1);
      } else {
        name_.apply(key);
      }
      break;
    case KeyName::Left:
    case KeyName::Right:
      if (focus_ == DialogFocus::Type) {
        switchType(key.name == KeyName::Left ? -1 : 1);
      } else {
        leaveList(DialogFocus::Name);
        name_.apply(key);
      }
      break;
    case KeyName::Enter:
      if (focus_ == DialogFocus::List && selected_ >= 0) {
        return applyHighlight();
      }
      return applyName(name_.text());
    default:
      if (name_.apply(key)) {
        leaveList(DialogFocus::Name);
        nameFromList_ = false;
      }
      break;
  }
  return DialogOutcome::Open;
}

std::vector<std::string> wrapBoxText(std::string_view text, size_t width) {
  std::vector<std::string> rows;
  width = std::max<size_t>(width, 2);
  for (std::string_view line : splitTextLines(text)) {
    std::string row;
    for (size_t i = 0; i < line.size();) {
      const size_t length = sjisCharLength(line, i);
      if (row.size() + length > width) {
        rows.push_back(std::move(row));
        row.clear();
      }
      row.append(line.substr(i, length));
      i += length;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

const char* boxHint(size_t buttons) {
  return buttons <= 1 ? texts::kBoxHintOne : texts::kBoxHintMany;
}

int windowViewTop(const CellView& view, int areaRows) {
  if (areaRows >= view.rows) return 0;
  int last = view.cursorRow;
  if (view.cursorColumn == 0 && last > 0) --last;
  return std::clamp(last - areaRows + 1, 0, view.rows - std::max(areaRows, 0));
}

}  // namespace tess::platform
