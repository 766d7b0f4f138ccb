// The in-memory file system: the current folder and the directory search.
#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "platform/listed_search.h"
#include "platform/wildcard.h"
#include "tests/support/fake_file.h"
#include "tests/support/fake_file_system.h"

namespace tess::testing {

using platform::Access;
using platform::DirEntry;
using platform::FileKind;
using platform::Share;
using namespace fake;

// --- Folders
// -------------------------------------------------------------------

int FakeFileSystem::changeDirectory(std::string_view path) {
  if (int e = std::exchange(failNextChangeDirectory_, 0)) return e;
  std::string full;
  if (!fullPath(path, &full)) return kNotFound;
  Node* n = find(full);
  if (!n || !n->directory) return kNotFound;
  cwd_ = n->path;
  return 0;
}

std::unique_ptr<platform::DirectorySearch> FakeFileSystem::findFirst(
    std::string_view pattern, DirEntry* first) {
  const size_t start = nameStartOf(pattern);
  const size_t cut = start == 0 ? std::string_view::npos : start - 1;
  std::string folder;
  std::string_view last = pattern;
  if (cut == std::string_view::npos) {
    folder = cwd_;
  } else {
    std::string_view folderPart = pattern.substr(0, cut + 1);
    last = pattern.substr(cut + 1);
    if (platform::hasWildcards(folderPart) || !fullPath(folderPart, &folder)) {
      return nullptr;
    }
  }
  if (last.empty()) return nullptr;
  Node* dir = find(folder);
  if (!dir || !dir->directory) return nullptr;

  std::vector<DirEntry> entries;
  auto add = [&](const Node& n, std::string name) {
    if (!platform::wildcardMatch(last, name)) return;
    DirEntry e;
    e.name = std::move(name);
    e.size = n.directory ? 0 : n.bytes.size();
    e.year = n.year;
    e.month = n.month;
    e.day = n.day;
    e.hour = n.hour;
    e.minute = n.minute;
    e.second = n.second;
    e.directory = n.directory;
    e.readOnly = n.readOnly;
    e.archive = !n.directory;
    entries.push_back(std::move(e));
  };
  if (!isRoot(dir->path)) {
    add(*dir, ".");
    add(*find(parentOf(dir->path)), "..");
  }
  const std::string dirKey = key(dir->path);
  for (const auto& [k, n] : nodes_) {
    if (isRoot(n->path) || key(parentOf(n->path)) != dirKey) continue;
    add(*n, lastComponent(n->path));
  }
  if (entries.empty()) return nullptr;
  *first = entries.front();
  return std::make_unique<platform::ListedSearch>(std::move(entries));
}

}  // namespace tess::testing
