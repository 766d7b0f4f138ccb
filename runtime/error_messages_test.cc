#include "runtime/error_messages.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/runtime_error.h"
#include "tests/support/sjis.h"

namespace tess {
namespace {

using testing::sjis;
using testing::utf8;

// Every number the run time raises has both texts, and the Japanese one is
// whole Shift-JIS (it converts to UTF-8 and back unchanged).
TEST(ErrorMessages, EveryRaisedNumberIsExplained) {
  for (uint16_t number : {err::kReturnWithoutCall,
                          err::kIllegalArgument,
                          err::kOverflow,
                          err::kOutOfMemory,
                          err::kSubscriptOutOfRange,
                          err::kDivisionByZero,
                          err::kFixedStringAssignment,
                          err::kStringTooLong,
                          err::kResumeWithoutError,
                          err::kSystemError,
                          err::kDeviceTimeout,
                          err::kBadChannel,
                          err::kBadFileMode,
                          err::kAlreadyOpen,
                          err::kDeviceError,
                          err::kInputPastEnd,
                          err::kBadFileName,
                          err::kNotOpen,
                          err::kRecordTooLong,
                          err::kDeviceFault,
                          err::kDiskIoError,
                          err::kFileNotFound,
                          err::kFileExists,
                          err::kCannotCreate,
                          err::kTooManyFiles,
                          err::kDiskFull,
                          err::kPermissionDenied,
                          err::kDiskNotReadable,
                          err::kDriveNotReady,
                          err::kWriteProtected,
                          err::kAccessDenied,
                          err::kPathNotFound,
                          err::kStringStorageFull,
                          err::kPrintBufferUnavailable,
                          err::kNoWindow,
                          err::kWrongWindowKind}) {
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
