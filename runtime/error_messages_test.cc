#include "runtime/error_messages.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/runtime_error.h"
#include "tests/support/sjis.h"

namespace tess {
namespace {

using testing::sjis;
using testing::utf8;

// Every number the run time declares has both texts, and the Japanese one is
// whole Shift-JIS (it converts to UTF-8 and back unchanged). The numbers are
// the names declared in runtime_error.h, read from it by the build.
TEST(ErrorMessages, EveryRaisedNumberIsExplained) {
  constexpr uint16_t kDeclared[] = {
#include "declared_error_numbers.inc"
  };
  for (uint16_t number : kDeclared) {
    SCOPED_TRACE(number);
    EXPECT_NE(errorReason(number), "run-time error");
    const std::string meaning(errorMeaning(number));
    ASSERT_FALSE(meaning.empty());
    EXPECT_EQ(sjis(utf8(meaning)), meaning);
  }
  EXPECT_EQ(errorMeaning(67), sjis("ディスクがいっぱいです"));
  EXPECT_EQ(errorMeaning(63), sjis("ファイルが見つかりません"));
  EXPECT_EQ(errorReason(67), "disk full");
  EXPECT_EQ(errorReason(999), "run-time error");
  EXPECT_EQ(errorMeaning(999), "");
}

}  // namespace
}  // namespace tess
