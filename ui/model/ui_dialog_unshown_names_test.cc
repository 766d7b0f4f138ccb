// A file whose name neither the file system's UTF-8 nor Shift-JIS can hold
// is left out of the dialog's list, and the dialog says how many were.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/posix/path_encoding.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/sjis.h"
#include "ui/model/ui_dialog_model.h"

namespace tess::ui {
namespace {

using tess::testing::FakeFileSystem;
using tess::testing::sjis;

TEST(DialogUnshownNamesTest, DialogsSayWhenNamesCannotBeShown) {
  auto fake = std::make_unique<FakeFileSystem>();
  fake->setFile("/jp/1997年8月のフォーラム記録.LOG", "new");
  fake->setFile("/jp/" + sjis("19日本.LOG"), "old");  // Shift-JIS on disk
  fake->setFile("/jp/\xFF\xFE.LOG", "odd");           // neither charset's
  fake->setFile("/jp/出力/a.ren", "out");
  platform::EncodingFileSystem fs(std::move(fake), "UTF-8");

  FileDialogRequest request;
  request.initialFolder = "/jp";
  request.fileName = "*.*";
  FileDialogModel model(fs, request);
  EXPECT_EQ(model.entries().size(), 4u);  // ../, 出力/ and two logs
  EXPECT_EQ(
      model.notice(),
      sjis("名前を表示できないファイルが1個あります（一覧にありません）。"));
}

}  // namespace
}  // namespace tess::ui
