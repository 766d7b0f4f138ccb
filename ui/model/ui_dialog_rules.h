// The rules the file dialogs of both POSIX front ends share: the wildcard
// patterns of the filter list, the folder listing a dialog shows, and what
// a name given in a dialog stands for (a file to return, a folder to enter,
// a pattern, or something to refuse with a notice).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/wildcard.h"
#include "ui/front_end.h"

namespace tess::ui {

// Several patterns separated by ";" ("*.x;*.y"); blanks around them ignored.
bool matchesAnyPattern(std::string_view patterns, std::string_view name);

struct ListEntry {
  std::string name;
  bool folder = false;
};

// The entries a dialog shows in folder: ".." first (except at the root),
// then the folders, then the files matching patterns, each group sorted by
// name. Hidden names (starting with ".") are left out unless a pattern asks
// for them, and so are entries without a name (a name the file system layer
// cannot show); *unnamed, when given, receives their number.
std::vector<ListEntry> listFolder(platform::FileSystem& fs,
                                  const std::string& folder,
                                  std::string_view patterns,
                                  size_t* unnamed = nullptr);

// name joined to folder (a name starting with a separator stands alone).
std::string joinPath(const platform::FileSystem& fs, const std::string& folder,
                     std::string_view name);
// The folder part of a full path (the root for an entry of the root).
std::string parentFolder(const platform::FileSystem& fs,
                         const std::string& path);
// The last component of a path.
std::string lastComponent(const platform::FileSystem& fs,
                          const std::string& path);
// True when path names an existing folder.
bool isFolder(platform::FileSystem& fs, const std::string& path);

enum class NameVerdict {
  Accept,         // fullPath is the dialog's answer
  Empty,          // no name given
  Wildcards,      // fullPath is folder + pattern: a new pattern, no choice
  Folder,         // fullPath is a folder to enter
  FileMissing,    // the file must exist and does not
  FolderMissing,  // the file's folder must exist and does not
  Unusable,       // the name cannot be resolved to a path
  TooLong,        // the full path is longer than the dialog can return
};

struct NameCheck {
  NameVerdict verdict = NameVerdict::Unusable;
  std::string fullPath;
};

// What a name given in a dialog showing folder stands for, under the
// request's must-exist rules.
NameCheck checkDialogName(platform::FileSystem& fs,
                          const FileDialogRequest& request,
                          const std::string& folder, std::string_view name);

// The buttons of a message box, in order; the first is the default.
struct BoxButton {
  const char* label;
  BoxAnswer answer;
};
std::vector<BoxButton> boxButtons(BoxButtons buttons);

// Whether Esc may close a box with these buttons: it has a Cancel button
// or only one.
bool escapeCloses(const std::vector<BoxButton>& buttons);

// The answer of a box closed without a button chosen (the session ended):
// its Cancel button, else its first.
BoxAnswer closingAnswer(const std::vector<BoxButton>& buttons);

// The lines of a box text, split at CR LF, LF or CR.
std::vector<std::string_view> splitTextLines(std::string_view text);

// The folder a dialog starts in: the request's initial folder, else the
// current directory.
std::string startFolder(platform::FileSystem& fs,
                        const FileDialogRequest& request);

}  // namespace tess::ui
