#include "platform/posix/path_encoding.h"

#include <langinfo.h>

#include <algorithm>
#include <vector>

#include "platform/shift_jis.h"

namespace tess::platform {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x80;
  });
}

std::string nativeCharset(std::string native) {
  if (!native.empty()) return native;
  native = nl_langinfo(CODESET);
  // Under the plain C locale the names on disk are still UTF-8 in practice.
  if (native.empty() || native == "ANSI_X3.4-1968" || native == "ASCII" ||
      native == "US-ASCII") {
    native = "UTF-8";
  }
  return native;
}

// The whole text through cd; nothing when any byte sequence is invalid or
// has no exact counterpart.
std::optional<std::string> convert(iconv_t cd, std::string_view text) {
  if (cd == kNoConverter) return std::nullopt;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string input(text);
  std::string out(text.size() * 4 + 16, '\0');
  char* in = input.data();
  size_t inLeft = input.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
  // A positive result counts approximate conversions: not the same name.
  if (result != 0 || inLeft != 0) return std::nullopt;
  if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) ==
      static_cast<size_t>(-1)) {
    return std::nullopt;
  }
  out.resize(static_cast<size_t>(outPtr - out.data()));
  return out;
}

std::vector<std::string_view> splitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  while (true) {
    const size_t cut = path.find('/');
    parts.push_back(path.substr(0, cut));
    if (cut == std::string_view::npos) return parts;
    path.remove_prefix(cut + 1);
  }
}

}  // namespace

PathEncoding::PathEncoding(std::string native)
    : native_(nativeCharset(std::move(native))) {
  toSjis_ = iconv_open("CP932", native_.c_str());
  fromSjis_ = iconv_open(native_.c_str(), "CP932");
  checkNative_ = iconv_open("UTF-32LE", native_.c_str());
}

PathEncoding::~PathEncoding() {
  for (iconv_t cd : {toSjis_, fromSjis_, checkNative_}) {
    if (cd != kNoConverter) iconv_close(cd);
  }
}

bool PathEncoding::validSjis(std::string_view bytes) const {
  // Single bytes: ASCII and half-width katakana; pairs: a lead byte and a
  // trail byte in their ranges.
  size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) {
      ++i;
      continue;
    }
    if (!isLeadByte(b) || i + 1 >= bytes.size()) return false;
    if (!isTrailByte(static_cast<unsigned char>(bytes[i + 1]))) return false;
    i += 2;
  }
  return true;
}

bool PathEncoding::validNative(std::string_view bytes) const {
  return isAscii(bytes) || convert(checkNative_, bytes).has_value();
}

std::optional<std::string> PathEncoding::convertComponent(
    std::string_view text, bool fromNative) const {
  if (isAscii(text)) return std::string(text);
  if (fromNative) {
    if (std::optional<std::string> sjis = convert(toSjis_, text)) {
      std::optional<std::string> back = convert(fromSjis_, *sjis);
      if (back && *back == text) return sjis;
    }
    if (validNative(text)) return std::nullopt;     // Shift-JIS cannot hold it
    if (validSjis(text)) return std::string(text);  // an old name
    return std::nullopt;
  }
  return convert(fromSjis_, text);
}

std::optional<std::string> PathEncoding::toSjis(std::string_view native) const {
  std::string out;
  bool first = true;
  for (std::string_view part : splitPath(native)) {
    if (!first) out += '/';
    first = false;
    std::optional<std::string> sjis = convertComponent(part, true);
    if (!sjis) return std::nullopt;
    out += *sjis;
  }
  return out;
}

std::optional<std::string> PathEncoding::toNative(std::string_view sjis) const {
  std::string out;
  bool first = true;
  for (std::string_view part : splitPath(sjis)) {
    if (!first) out += '/';
    first = false;
    std::optional<std::string> native = convertComponent(part, false);
    if (!native) return std::nullopt;
    out += *native;
  }
  return out;
}

// A search whose entries' names are handed back in Shift-JIS.
class EncodingFileSystem::Search : public DirectorySearch {
 public:
  Search(std::unique_ptr<DirectorySearch> inner, const PathEncoding& encoding)
      : inner_(std::move(inner)), encoding_(encoding) {}
  bool next(DirEntry* entry) override {
    if (!inner_->next(entry)) return false;
    convertName(encoding_, entry);
    return true;
  }
  static void convertName(const PathEncoding& encoding, DirEntry* entry) {
    std::optional<std::string> sjis = encoding.toSjis(entry->name);
    entry->name = sjis ? std::move(*sjis) : std::string();
  }

 private:
  std::unique_ptr<DirectorySearch> inner_;
  const PathEncoding& encoding_;
};

EncodingFileSystem::EncodingFileSystem(std::unique_ptr<FileSystem> inner,
                                       std::string native)
    : inner_(std::move(inner)), encoding_(std::move(native)) {}

EncodingFileSystem::~EncodingFileSystem() = default;

bool EncodingFileSystem::existsNative(const std::string& path) {
  DirEntry entry;
  return inner_->findFirst(path, &entry) != nullptr;
}

std::optional<std::string> EncodingFileSystem::nativePath(
    std::string_view sjis) {
  std::string out;
  bool first = true;
  for (std::string_view part : splitPath(sjis)) {
    if (!first) out += '/';
    first = false;
    if (isAscii(part)) {
      out += part;
      continue;
    }
    std::optional<std::string> converted = encoding_.toNative(part);
    // An old name on disk is the Shift-JIS bytes themselves. Only a name
    // that cannot be native text is looked for (one stat), and only when
    // the converted name is not there.
    const bool mayBeOld = part.find_first_of("*?") == std::string_view::npos &&
                          !encoding_.validNative(part);
    if (mayBeOld && (!converted || !existsNative(out + *converted)) &&
        existsNative(out + std::string(part))) {
      out += part;
      continue;
    }
    if (!converted) return std::nullopt;
    out += *converted;
  }
  return out;
}

bool EncodingFileSystem::fullPath(std::string_view name, std::string* full) {
  std::optional<std::string> native = nativePath(name);
  std::string resolved;
  if (!native || !inner_->fullPath(*native, &resolved)) return false;
  std::optional<std::string> sjis = encoding_.toSjis(resolved);
  if (!sjis) return false;
  *full = std::move(*sjis);
  return true;
}

bool EncodingFileSystem::exists(const std::string& full) {
  std::optional<std::string> native = nativePath(full);
  return native && inner_->exists(*native);
}

std::unique_ptr<File> EncodingFileSystem::open(const std::string& full,
                                               Access access, Share share,
                                               bool create, int* error) {
  std::optional<std::string> native = nativePath(full);
  if (!native) {
    *error = 55;  // no such name can exist here
    return nullptr;
  }
  return inner_->open(*native, access, share, create, error);
}

std::unique_ptr<File> EncodingFileSystem::openForReplacing(
    const std::string& full, Share share, int* error) {
  std::optional<std::string> native = nativePath(full);
  if (!native) {
    *error = 55;  // no such name can exist here
    return nullptr;
  }
  return inner_->openForReplacing(*native, share, error);
}

FileKind EncodingFileSystem::kindOf(const std::string& full) {
  std::optional<std::string> native = nativePath(full);
  return native ? inner_->kindOf(*native) : FileKind::Missing;
}

int EncodingFileSystem::readError(const std::string& full) {
  // As open: a name with no native form cannot exist here.
  std::optional<std::string> native = nativePath(full);
  return native ? inner_->readError(*native) : 55;
}

std::optional<FileSystem::NamedFile> EncodingFileSystem::namedFile(
    const std::string& full) {
  std::optional<std::string> native = nativePath(full);
  return native ? inner_->namedFile(*native) : std::nullopt;
}

int EncodingFileSystem::removeFile(const std::string& full) {
  std::optional<std::string> native = nativePath(full);
  return native ? inner_->removeFile(*native) : 75;
}

bool EncodingFileSystem::samePath(const std::string& a, const std::string& b) {
  std::optional<std::string> nativeA = nativePath(a);
  std::optional<std::string> nativeB = nativePath(b);
  if (!nativeA || !nativeB) return a == b;
  return inner_->samePath(*nativeA, *nativeB);
}

int EncodingFileSystem::changeDirectory(std::string_view path) {
  std::optional<std::string> native = nativePath(path);
  return native ? inner_->changeDirectory(*native) : 76;
}

std::string EncodingFileSystem::currentDirectory() {
  std::string native = inner_->currentDirectory();
  std::optional<std::string> sjis = encoding_.toSjis(native);
  return sjis ? *sjis : std::string();
}

std::unique_ptr<DirectorySearch> EncodingFileSystem::findFirst(
    std::string_view pattern, DirEntry* first) {
  std::optional<std::string> native = nativePath(pattern);
  if (!native) return nullptr;
  std::unique_ptr<DirectorySearch> inner = inner_->findFirst(*native, first);
  if (!inner) return nullptr;
  Search::convertName(encoding_, first);
  return std::make_unique<Search>(std::move(inner), encoding_);
}

bool EncodingFileSystem::isSeparator(unsigned char byte) const {
  return inner_->isSeparator(byte);
}

char EncodingFileSystem::preferredSeparator() const {
  return inner_->preferredSeparator();
}

}  // namespace tess::platform
