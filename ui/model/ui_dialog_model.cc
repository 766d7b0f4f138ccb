#include "ui/model/ui_dialog_model.h"

#include <algorithm>

#include "platform/wildcard.h"
#include "ui/model/ui_texts.h"

namespace tess::ui {

FileDialogModel::FileDialogModel(platform::FileSystem& fs,
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
  // The offered name is selected, as in the system's own dialogs: a name
  // typed as the dialog opens replaces it.
  name_.selectAll();
  // A name with wildcards in the name box lists what it matches.
  if (platform::hasWildcards(initialName_) &&
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
  if (nameFromList_ || platform::hasWildcards(name_.text())) {
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

}  // namespace tess::ui
