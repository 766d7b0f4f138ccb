#include "ui/model/ui_dialog_rules.h"

#include <algorithm>
#include <memory>

#include "ui/model/ui_texts.h"

namespace tess::ui {

namespace {

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
    s.remove_suffix(1);
  }
  return s;
}

bool isRootPath(const platform::FileSystem& fs, std::string_view path) {
  if (path.empty()) return false;
  return std::all_of(path.begin(), path.end(), [&](char c) {
    return fs.isSeparator(static_cast<unsigned char>(c));
  });
}

size_t lastSeparator(const platform::FileSystem& fs, std::string_view path) {
  for (size_t i = path.size(); i-- > 0;) {
    if (fs.isSeparator(static_cast<unsigned char>(path[i]))) return i;
  }
  return std::string_view::npos;
}

}  // namespace

bool matchesAnyPattern(std::string_view patterns, std::string_view name) {
  while (true) {
    size_t cut = patterns.find(';');
    std::string_view one = trimBlanks(patterns.substr(0, cut));
    if (!one.empty() && platform::wildcardMatch(one, name)) return true;
    if (cut == std::string_view::npos) return false;
    patterns.remove_prefix(cut + 1);
  }
}

std::string joinPath(const platform::FileSystem& fs, const std::string& folder,
                     std::string_view name) {
  if (!name.empty() && fs.isSeparator(static_cast<unsigned char>(name[0]))) {
    return std::string(name);
  }
  std::string path = folder;
  if (path.empty() ||
      !fs.isSeparator(static_cast<unsigned char>(path.back()))) {
    path += fs.preferredSeparator();
  }
  path += name;
  return path;
}

std::string parentFolder(const platform::FileSystem& fs,
                         const std::string& path) {
  if (isRootPath(fs, path)) return path;
  std::string_view trimmed = path;
  while (trimmed.size() > 1 &&
         fs.isSeparator(static_cast<unsigned char>(trimmed.back()))) {
    trimmed.remove_suffix(1);
  }
  size_t cut = lastSeparator(fs, trimmed);
  if (cut == std::string_view::npos) return std::string();
  if (cut == 0) return std::string(1, fs.preferredSeparator());
  return std::string(trimmed.substr(0, cut));
}

std::string lastComponent(const platform::FileSystem& fs,
                          const std::string& path) {
  std::string_view trimmed = path;
  while (trimmed.size() > 1 &&
         fs.isSeparator(static_cast<unsigned char>(trimmed.back()))) {
    trimmed.remove_suffix(1);
  }
  size_t cut = lastSeparator(fs, trimmed);
  return std::string(cut == std::string_view::npos ? trimmed
                                                   : trimmed.substr(cut + 1));
}

bool isFolder(platform::FileSystem& fs, const std::string& path) {
  if (isRootPath(fs, path)) return true;
  std::string name = lastComponent(fs, path);
  if (name.empty() || platform::hasWildcards(name)) return false;
  std::string pattern =
      joinPath(fs, parentFolder(fs, path), std::string_view(name));
  platform::DirEntry entry;
  std::unique_ptr<platform::DirectorySearch> search =
      fs.findFirst(pattern, &entry);
  if (!search) return false;
  // The search may ignore letter case; only the exact name counts.
  do {
    if (entry.name == name) return entry.directory;
  } while (search->next(&entry));
  return false;
}

std::vector<ListEntry> listFolder(platform::FileSystem& fs,
                                  const std::string& folder,
                                  std::string_view patterns, size_t* unnamed) {
  if (unnamed) *unnamed = 0;
  std::vector<ListEntry> folders;
  std::vector<ListEntry> files;
  bool showHidden = false;
  for (size_t i = 0; i < patterns.size(); ++i) {
    if (patterns[i] == '.' && (i == 0 || patterns[i - 1] == ';')) {
      showHidden = true;
    }
  }
  platform::DirEntry entry;
  std::unique_ptr<platform::DirectorySearch> search =
      fs.findFirst(joinPath(fs, folder, "*"), &entry);
  if (search) {
    do {
      if (entry.name.empty()) {
        if (unnamed) ++*unnamed;
        continue;
      }
      if (entry.name == "." || entry.name == "..") continue;
      if (entry.name[0] == '.' && !showHidden) continue;
      if (entry.directory) {
        folders.push_back({entry.name, true});
      } else if (matchesAnyPattern(patterns, entry.name)) {
        files.push_back({entry.name, false});
      }
    } while (search->next(&entry));
  }
  auto byName = [](const ListEntry& a, const ListEntry& b) {
    return a.name < b.name;
  };
  std::sort(folders.begin(), folders.end(), byName);
  std::sort(files.begin(), files.end(), byName);
  std::vector<ListEntry> result;
  result.reserve(folders.size() + files.size() + 1);
  if (!isRootPath(fs, folder)) result.push_back({"..", true});
  result.insert(result.end(), folders.begin(), folders.end());
  result.insert(result.end(), files.begin(), files.end());
  return result;
}

NameCheck checkDialogName(platform::FileSystem& fs,
                          const FileDialogRequest& request,
                          const std::string& folder, std::string_view name) {
  NameCheck check;
  if (name.empty()) {
    check.verdict = NameVerdict::Empty;
    return check;
  }
  std::string joined = joinPath(fs, folder, name);
  if (platform::hasWildcards(name)) {
    check.verdict = NameVerdict::Wildcards;
    check.fullPath = joined;
    return check;
  }
  if (!fs.fullPath(joined, &check.fullPath)) {
    check.verdict = NameVerdict::Unusable;
    return check;
  }
  if (isFolder(fs, check.fullPath)) {
    check.verdict = NameVerdict::Folder;
    return check;
  }
  // A longer path would not fit the dialog's file buffer; refusing it here
  // lets the user choose another name instead of ending the program.
  if (check.fullPath.size() > request.maxPathBytes) {
    check.verdict = NameVerdict::TooLong;
    return check;
  }
  if ((request.pathMustExist || request.fileMustExist) &&
      !isFolder(fs, parentFolder(fs, check.fullPath))) {
    check.verdict = NameVerdict::FolderMissing;
    return check;
  }
  if (request.fileMustExist && !fs.exists(check.fullPath)) {
    check.verdict = NameVerdict::FileMissing;
    return check;
  }
  check.verdict = NameVerdict::Accept;
  return check;
}

std::vector<BoxButton> boxButtons(BoxButtons buttons) {
  using namespace texts;
  constexpr BoxButton ok{kButtonOk, BoxAnswer::Ok};
  constexpr BoxButton cancel{kButtonCancel, BoxAnswer::Cancel};
  constexpr BoxButton abort{kButtonAbort, BoxAnswer::Abort};
  constexpr BoxButton retry{kButtonRetry, BoxAnswer::Retry};
  constexpr BoxButton ignore{kButtonIgnore, BoxAnswer::Ignore};
  constexpr BoxButton yes{kButtonYes, BoxAnswer::Yes};
  constexpr BoxButton no{kButtonNo, BoxAnswer::No};
  switch (buttons) {
    case BoxButtons::Ok:
      return {ok};
    case BoxButtons::OkCancel:
      return {ok, cancel};
    case BoxButtons::AbortRetryIgnore:
      return {abort, retry, ignore};
    case BoxButtons::YesNoCancel:
      return {yes, no, cancel};
    case BoxButtons::YesNo:
      return {yes, no};
    case BoxButtons::RetryCancel:
      return {retry, cancel};
  }
  return {ok};
}

bool escapeCloses(const std::vector<BoxButton>& buttons) {
  return buttons.size() == 1 ||
         std::any_of(buttons.begin(), buttons.end(), [](const BoxButton& b) {
           return b.answer == BoxAnswer::Cancel;
         });
}

BoxAnswer closingAnswer(const std::vector<BoxButton>& buttons) {
  for (const BoxButton& b : buttons) {
    if (b.answer == BoxAnswer::Cancel) return BoxAnswer::Cancel;
  }
  return buttons.front().answer;
}

std::vector<std::string_view> splitTextLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (true) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') {
      ++start;
    }
  }
}

std::string startFolder(platform::FileSystem& fs,
                        const FileDialogRequest& request) {
  std::string folder;
  if (request.initialFolder.empty() ||
      !fs.fullPath(request.initialFolder, &folder) || !isFolder(fs, folder)) {
    folder = fs.currentDirectory();
  }
  return folder;
}

}  // namespace tess::ui
