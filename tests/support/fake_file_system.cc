#include "tests/support/fake_file_system.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/listed_search.h"
#include "platform/shift_jis.h"
#include "platform/wildcard.h"

namespace tess::testing {

using platform::Access;
using platform::DirEntry;
using platform::FileKind;
using platform::Share;

namespace {

constexpr int kNotFound = 63;
constexpr int kBadPath = 55;
constexpr int kDenied = 75;

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool readsWith(Access a) { return a != Access::Write; }
bool writesWith(Access a) { return a != Access::Read; }
bool deniesRead(Share s) {
  return s == Share::DenyRead || s == Share::Exclusive;
}
bool deniesWrite(Share s) {
  return s == Share::DenyWrite || s == Share::Exclusive;
}

}  // namespace

struct FakeFileSystem::Node {
  std::string path;  // full path as first created
  std::string bytes;
  bool directory = false;
  FileKind special = FileKind::Regular;  // Fifo, Device, Socket or Other
  bool readOnly = false;
  // Counts every change of the bytes: an opening can tell that the file
  // was written meanwhile.
  uint64_t version = 0;
  int year = 2026, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

class FakeFileSystem::FakeFile : public platform::File {
 public:
  FakeFile(FakeFileSystem* fs, std::shared_ptr<Node> node, std::string key,
           Access access, Share share)
      : fs_(fs),
        node_(std::move(node)),
        key_(std::move(key)),
        access_(access),
        share_(share) {}
  ~FakeFile() override {
    if (!closed_) fs_->release(this);
  }

  int read(void* buffer, size_t n, size_t* got) override {
    *got = 0;
    ++fs_->readCalls_;
    if (fs_->beforeRead_) fs_->beforeRead_(fs_->readCalls_);
    if (closed_ || !readsWith(access_)) return kDenied;
    if (int e = std::exchange(fs_->failNextRead_, 0)) return e;
    const std::string& b = node_->bytes;
    if (position_ >= b.size()) return 0;
    size_t take = std::min<size_t>(n, b.size() - position_);
    if (fs_->readLimit_ > 0) take = std::min(take, fs_->readLimit_);
    if (node_->special != FileKind::Regular) return 0;
    std::memcpy(buffer, b.data() + position_, take);
    position_ += take;
    *got = take;
    return 0;
  }

  int write(const void* buffer, size_t n) override {
    ++fs_->writeCalls_;
    if (closed_ || !writesWith(access_)) return kDenied;
    if (int e = fs_->takeWriteFailure(n)) return e;
    std::string& b = node_->bytes;
    if (b.size() < position_ + n) b.resize(position_ + n, '\0');
    if (n > 0) std::memcpy(b.data() + position_, buffer, n);
    ++node_->version;
    position_ += n;
    fs_->bytesWritten_ += n;
    return 0;
  }

  int seek(uint64_t offset) override {
    ++fs_->seekCalls_;
    if (closed_) return kDenied;
    position_ = offset;
    return 0;
  }

  int size(uint64_t* bytes) override {
    if (closed_) return kDenied;
    *bytes = node_->bytes.size();
    return 0;
  }

  int truncate(uint64_t bytes) override {
    ++fs_->truncateCalls_;
    if (closed_ || !writesWith(access_)) return kDenied;
    // A disk that fills up gets the room of the bytes cut back.
    if (fs_->writeBudget_ && bytes < node_->bytes.size()) {
      *fs_->writeBudget_ += node_->bytes.size() - bytes;
    }
    node_->bytes.resize(bytes, '\0');
    ++node_->version;
    position_ = bytes;
    return 0;
  }

  std::string identity() override {
    return std::to_string(reinterpret_cast<uintptr_t>(node_.get()));
  }

  int close() override {
    if (closed_) return kDenied;
    closed_ = true;
    fs_->release(this);
    return std::exchange(fs_->failNextClose_, 0);
  }

  const std::string& key() const { return key_; }
  const std::string& path() const { return node_->path; }
  Access access() const { return access_; }
  Share share() const { return share_; }

 private:
  FakeFileSystem* fs_;
  std::shared_ptr<Node> node_;
  std::string key_;
  Access access_;
  Share share_;
  uint64_t position_ = 0;
  bool closed_ = false;
};

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

// --- Files -------------------------------------------------------------------

bool FakeFileSystem::exists(const std::string& full) {
  Node* n = find(full);
  return n && !n->directory;
}

bool FakeFileSystem::conflicts(const std::string& k, Access access,
                               Share share) const {
  if (!enforceSharing_) return false;
  for (const FakeFile* f : handles_) {
    if (f->key() != k) continue;
    if (readsWith(access) && deniesRead(f->share())) return true;
    if (writesWith(access) && deniesWrite(f->share())) return true;
    if (readsWith(f->access()) && deniesRead(share)) return true;
    if (writesWith(f->access()) && deniesWrite(share)) return true;
  }
  return false;
}

std::unique_ptr<platform::File> FakeFileSystem::open(const std::string& full,
                                                     Access access, Share share,
                                                     bool create, int* error) {
  auto fail = [&](int e) -> std::unique_ptr<platform::File> {
    *error = e;
    opens_.push_back({full, access, share, create, e, false});
    return nullptr;
  };
  if (int e = std::exchange(failNextOpen_, 0)) return fail(e);
  const std::string k = key(full);
  if (auto it = openFailures_.find(k); it != openFailures_.end()) {
    return fail(it->second);
  }
  auto it = nodes_.find(k);
  std::shared_ptr<Node> node;
  if (it != nodes_.end()) {
    node = it->second;
    if (node->directory) return fail(kDenied);
    if (node->readOnly && writesWith(access)) return fail(kDenied);
    if (conflicts(k, access, share)) return fail(kDenied);
  } else {
    if (isRoot(full)) return fail(kDenied);
    Node* parent = find(parentOf(full));
    if (!parent || !parent->directory) return fail(kBadPath);
    if (!create) return fail(kNotFound);
    // Creating never truncates: only a missing file is created.
    node = std::make_shared<Node>();
    node->path = full;
    nodes_[k] = node;
  }
  auto file = std::make_unique<FakeFile>(this, node, k, access, share);
  handles_.push_back(file.get());
  *error = 0;
  opens_.push_back({full, access, share, create, 0, false});
  return file;
}

std::unique_ptr<platform::File> FakeFileSystem::openForReplacing(
    const std::string& full, Share share, int* error) {
  auto fail = [&](int e) -> std::unique_ptr<platform::File> {
    *error = e;
    opens_.push_back({full, Access::Write, share, true, e, true});
    return nullptr;
  };
  if (int e = std::exchange(failNextOpen_, 0)) return fail(e);
  const std::string k = key(full);
  if (auto it = openFailures_.find(k); it != openFailures_.end()) {
    return fail(it->second);
  }
  std::shared_ptr<Node> node;
  if (auto it = nodes_.find(k); it != nodes_.end()) {
    node = it->second;
    if (node->directory) return fail(kDenied);
    if (node->special != FileKind::Regular) {
      return fail(platform::kNotRegularFileError);
    }
    if (node->readOnly) return fail(kDenied);
  } else {
    if (isRoot(full)) return fail(kDenied);
    Node* parent = find(parentOf(full));
    if (!parent || !parent->directory) return fail(kBadPath);
    node = std::make_shared<Node>();
    node->path = full;
    nodes_[k] = node;
  }
  const uint64_t version = node->version;
  if (beforeClaim_ && !inHook_) {
    inHook_ = true;
    beforeClaim_(full);
    inHook_ = false;
  }
  if (conflicts(k, Access::Write, share)) return fail(kDenied);
  // Written, or deleted and made again, meanwhile: another opener took the
  // path.
  auto now = nodes_.find(k);
  if (node->version != version || now == nodes_.end() || now->second != node) {
    return fail(kDenied);
  }
  auto file = std::make_unique<FakeFile>(this, node, k, Access::Write, share);
  handles_.push_back(file.get());
  *error = 0;
  opens_.push_back({full, Access::Write, share, true, 0, true});
  return file;
}

FileKind FakeFileSystem::kindOf(const std::string& full) {
  Node* n = find(full);
  if (!n) return FileKind::Missing;
  if (n->directory) return FileKind::Directory;
  return n->special;
}

int FakeFileSystem::removeFile(const std::string& full) {
  if (int e = std::exchange(failNextRemove_, 0)) return e;
  auto it = nodes_.find(key(full));
  if (it == nodes_.end() || it->second->directory || it->second->readOnly) {
    return kDenied;
  }
  if (openCount(full) > 0) return kDenied;
  nodes_.erase(it);
  ++removals_;
  return 0;
}

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
