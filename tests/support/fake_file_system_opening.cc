// The in-memory file system: opening, sharing, replacing and removing files.
#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "tests/support/fake_file.h"
#include "tests/support/fake_file_system.h"

namespace tess::testing {

using platform::Access;
using platform::DirEntry;
using platform::FileKind;
using platform::Share;
using namespace fake;

// --- Files -------------------------------------------------------------------

bool FakeFileSystem::exists(const std::string& full) {
  ++existsCalls_;
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

int FakeFileSystem::readError(const std::string& full) {
  ++readErrorCalls_;
  const std::string k = key(full);
  if (auto it = openFailures_.find(k); it != openFailures_.end()) {
    return it->second;
  }
  if (auto it = nodes_.find(k); it != nodes_.end()) {
    return it->second->directory ? kDenied : 0;
  }
  if (isRoot(full)) return kDenied;
  Node* parent = find(parentOf(full));
  return parent && parent->directory ? kNotFound : kBadPath;
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

}  // namespace tess::testing
