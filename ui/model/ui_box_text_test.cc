// A box's text wrapped on character bounds and its hint line.
#include "ui/model/ui_box_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/sjis.h"

namespace tess::ui {
namespace {

using tess::testing::sjis;

TEST(BoxTextTest, WrapsEverythingOnCharacterBounds) {
  const std::string path(100, 'p');
  const std::vector<std::string> rows =
      wrapBoxText(path + sjis("に発言はありませんでした") + "\r\nnext", 76);
  std::string joined;
  for (size_t i = 0; i + 1 < rows.size(); ++i) joined += rows[i];
  EXPECT_EQ(joined, path + sjis("に発言はありませんでした"));
  EXPECT_EQ(rows.back(), "next");
  for (const std::string& row : rows) EXPECT_LE(row.size(), 76u);
  EXPECT_EQ(wrapBoxText("abc" + sjis("日"), 4),
            (std::vector<std::string>{"abc", sjis("日")}));
  EXPECT_STREQ(boxHint(1), sjis("Enter: 閉じる  F2: コピー").c_str());
  EXPECT_NE(std::string(boxHint(3)).find("Esc"), std::string::npos);
}

}  // namespace
}  // namespace tess::ui
