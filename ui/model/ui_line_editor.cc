#include "ui/model/ui_line_editor.h"

#include <vector>

#include "platform/shift_jis.h"

namespace tess::ui {

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

size_t sjisCharLength(std::string_view text, size_t i) {
  return platform::charLengthAt(text, i);
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
  allSelected_ = false;
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
  if (allSelected_) {
    switch (key.name) {
      case KeyName::Text:
      case KeyName::Backspace:
      case KeyName::Delete:
      case KeyName::CtrlU:
      case KeyName::CtrlK:
      case KeyName::CtrlW:
        // The selection goes; typed text stands in its place.
        allSelected_ = false;
        text_ = key.name == KeyName::Text ? key.text : std::string();
        cursor_ = text_.size();
        return true;
      default:
        break;
    }
  }
  const bool handled = applyToText(key);
  if (handled) allSelected_ = false;
  return handled;
}

bool LineEditor::applyToText(const DialogKey& key) {
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

}  // namespace tess::ui
