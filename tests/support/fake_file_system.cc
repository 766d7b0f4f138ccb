#include "tests/support/fake_file_system.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/listed_search.h"
#include "platform/shift_jis.h"
#include "platform/wildcard.h"
#include "tests/support/fake_file.h"

namespace tess::testing {

using platform::Access;
using platform::DirEntry;
using platform::FileKind;
using platform::Share;

namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

}  // namespace

FakeFileSystem::FakeFileSystem(Style style) : style_(style) {
  cwd_ = style_ == Style::Posix ? "/" : "C:\\";
  auto root = std::make_shared<Node>();
  root->path = cwd_;
  root->directory = true;
  nodes_[key(cwd_)] = root;
}

FakeFileSystem::~FakeFileSystem() = default;

// --- Paths -----------------------------------------------------------------

bool FakeFileSystem::isSeparator(unsigned char byte) const {
  if (style_ == Style::Posix) return byte == '/';
  return byte == '\\' || byte == '/' || byte == ':';
}

// Windows names are Shift-JIS, whose second bytes may equal "\"; the
// POSIX style holds any bytes (UTF-8 names among them), in which "/" is
// never part of a character.
size_t FakeFileSystem::nameStartOf(std::string_view path) const {
  if (style_ == Style::Posix) return path.rfind('/') + 1;
  return platform::pathNameStart(
      path, [this](unsigned char byte) { return isSeparator(byte); });
}

char FakeFileSystem::preferredSeparator() const {
  return style_ == Style::Posix ? '/' : '\\';
}

std::string FakeFileSystem::key(std::string_view full) const {
  std::string k(full);
  if (style_ == Style::Windows) {
    for (char& c : k) c = upper(c);
  }
  return k;
}

bool FakeFileSystem::isRoot(const std::string& full) const {
  return style_ == Style::Posix ? full == "/"
                                : (full.size() == 3 && full[1] == ':');
}

std::string FakeFileSystem::parentOf(const std::string& full) const {
  if (isRoot(full)) return full;
  // Names are Shift-JIS: the separator is found character by character.
  std::string parent = full.substr(0, nameStartOf(full) - 1);
  if (style_ == Style::Posix && parent.empty()) return "/";
  if (style_ == Style::Windows && parent.size() == 2) return parent + "\\";
  return parent;
}

std::string FakeFileSystem::lastComponent(const std::string& full) const {
  if (isRoot(full)) return full;
  return full.substr(nameStartOf(full));
}

bool FakeFileSystem::fullPath(std::string_view name, std::string* full) {
  if (failFullPath_ || name.empty() ||
      name.find('\0') != std::string_view::npos) {
    return false;
  }
  std::string prefix;  // "" (Posix) or "C:" (Windows)
  std::string base;    // the folder a relative name starts from
  std::string rest(name);
  const char sep = preferredSeparator();
  if (style_ == Style::Windows) {
    std::replace(rest.begin(), rest.end(), '/', '\\');
    std::string cwdDrive = cwd_.substr(0, 2);
    prefix = cwdDrive;
    if (rest.size() >= 2 && rest[1] == ':' &&
        ((rest[0] >= 'A' && rest[0] <= 'Z') ||
         (rest[0] >= 'a' && rest[0] <= 'z'))) {
      prefix = std::string(1, upper(rest[0])) + ":";
      rest = rest.substr(2);
      if (rest.empty() || rest[0] != '\\') {
        base = key(prefix) == key(cwdDrive) ? cwd_ : prefix + "\\";
      }
    } else if (rest[0] != '\\') {
      base = cwd_;
    }
  } else if (rest[0] != '/') {
    base = cwd_;
  }
  std::vector<std::string> parts;
  auto split = [&](std::string_view s) {
    size_t start = 0;
    while (start <= s.size()) {
      size_t end = start;
      while (end < s.size() && s[end] != sep) {
        const bool lead =
            style_ == Style::Windows &&
            platform::isLeadByte(static_cast<unsigned char>(s[end]));
        end += lead ? 2 : 1;
      }
      end = std::min(end, s.size());
      std::string_view part = s.substr(start, end - start);
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != ".") {
        if (style_ == Style::Windows && part.find(':') != part.npos) {
          return false;
        }
        parts.emplace_back(part);
      }
      start = end + 1;
    }
    return true;
  };
  if (!base.empty() && !split(std::string_view(base).substr(prefix.size()))) {
    return false;
  }
  if (!split(rest)) return false;
  std::string result = prefix;
  if (parts.empty()) result += sep;
  for (const std::string& part : parts) {
    result += sep;
    result += part;
  }
  *full = result;
  return true;
}

std::string FakeFileSystem::resolveOrFail(std::string_view name) const {
  std::string full;
  if (!const_cast<FakeFileSystem*>(this)->fullPath(name, &full)) {
    return std::string();
  }
  return full;
}

FakeFileSystem::Node* FakeFileSystem::find(const std::string& full) const {
  auto it = nodes_.find(key(full));
  return it == nodes_.end() ? nullptr : it->second.get();
}

bool FakeFileSystem::samePath(const std::string& a, const std::string& b) {
  return key(a) == key(b);
}

// --- Content ---------------------------------------------------------------

void FakeFileSystem::makeDirectories(const std::string& full) {
  if (Node* n = find(full)) {
    n->directory = true;
    return;
  }
  // A root of another drive is made without a parent.
  if (!isRoot(full)) makeDirectories(parentOf(full));
  auto dir = std::make_shared<Node>();
  dir->path = full;
  dir->directory = true;
  nodes_[key(full)] = dir;
}

void FakeFileSystem::setFile(std::string_view name, std::string_view bytes) {
  std::string full = resolveOrFail(name);
  if (full.empty() || isRoot(full)) return;
  makeDirectories(parentOf(full));
  auto& slot = nodes_[key(full)];
  if (!slot) {
    slot = std::make_shared<Node>();
    slot->path = full;
  }
  slot->directory = false;
  slot->special = FileKind::Regular;
  slot->bytes.assign(bytes.data(), bytes.size());
  ++slot->version;
}

void FakeFileSystem::replaceFile(std::string_view name,
                                 std::string_view bytes) {
  nodes_.erase(key(resolveOrFail(name)));
  setFile(name, bytes);
}

void FakeFileSystem::setSpecial(std::string_view name, FileKind kind) {
  setFile(name, "");
  if (Node* n = find(resolveOrFail(name))) n->special = kind;
}

void FakeFileSystem::addDirectory(std::string_view name) {
  std::string full = resolveOrFail(name);
  if (!full.empty()) makeDirectories(full);
}

bool FakeFileSystem::hasFile(std::string_view name) const {
  Node* n = find(resolveOrFail(name));
  return n && !n->directory;
}

bool FakeFileSystem::hasDirectory(std::string_view name) const {
  Node* n = find(resolveOrFail(name));
  return n && n->directory;
}

std::optional<std::string> FakeFileSystem::fileBytes(
    std::string_view name) const {
  Node* n = find(resolveOrFail(name));
  if (!n || n->directory) return std::nullopt;
  return n->bytes;
}

std::vector<std::string> FakeFileSystem::allFiles() const {
  std::vector<std::string> files;
  for (const auto& [k, n] : nodes_) {
    if (!n->directory) files.push_back(n->path);
  }
  return files;
}

void FakeFileSystem::setReadOnly(std::string_view name, bool readOnly) {
  if (Node* n = find(resolveOrFail(name))) n->readOnly = readOnly;
}

void FakeFileSystem::setTime(std::string_view name, int year, int month,
                             int day, int hour, int minute, int second) {
  if (Node* n = find(resolveOrFail(name))) {
    n->year = year;
    n->month = month;
    n->day = day;
    n->hour = hour;
    n->minute = minute;
    n->second = second;
  }
}

void FakeFileSystem::failOpensOf(std::string_view name, int error) {
  std::string full = resolveOrFail(name);
  if (!full.empty()) openFailures_[key(full)] = error;
}

void FakeFileSystem::failWritesAfter(uint64_t bytes, int error) {
  writeBudget_ = bytes;
  writeBudgetError_ = error;
}

int FakeFileSystem::takeWriteFailure(size_t bytes) {
  if (int e = std::exchange(failNextWrite_, 0)) return e;
  if (writeBudget_) {
    if (bytes > *writeBudget_) return writeBudgetError_;
    *writeBudget_ -= bytes;
  }
  return 0;
}

// --- Observation -------------------------------------------------------------

std::vector<FakeFileSystem::OpenHandle> FakeFileSystem::openHandles() const {
  std::vector<OpenHandle> result;
  for (const FakeFile* f : handles_) {
    result.push_back({f->path(), f->access(), f->share()});
  }
  return result;
}

int FakeFileSystem::openCount(std::string_view name) const {
  std::string k = key(resolveOrFail(name));
  return static_cast<int>(
      std::count_if(handles_.begin(), handles_.end(),
                    [&](const FakeFile* f) { return f->key() == k; }));
}

void FakeFileSystem::release(FakeFile* file) {
  handles_.erase(std::remove(handles_.begin(), handles_.end(), file),
                 handles_.end());
}

}  // namespace tess::testing
