// An exception that escapes the program's body is reported and ends it with a failure code.
#include "fatal_report.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace norvik::guitest {
namespace {

TEST(FatalReportTest, AnEscapingExceptionIsReportedAndEndsWithTheFailureCode) {
  EXPECT_EQ(ui::runReportingFailures([] { return 0; }), 0);

  testing::internal::CaptureStderr();
  const int standard =
      ui::runReportingFailures([]() -> int { throw std::runtime_error("socket model broke"); });
  const std::string standardReport = testing::internal::GetCapturedStderr();
  EXPECT_EQ(standard, ui::kUnexpectedFailureExit);
  EXPECT_NE(standardReport.find("norvik: "), std::string::npos) << standardReport;
  EXPECT_NE(standardReport.find("socket model broke"), std::string::npos) << standardReport;

  testing::internal::CaptureStderr();
  const int other = ui::runReportingFailures([]() -> int { throw 42; });
  const std::string otherReport = testing::internal::GetCapturedStderr();
  EXPECT_EQ(other, ui::kUnexpectedFailureExit);
  EXPECT_NE(otherReport.find("norvik: "), std::string::npos) << otherReport;
}

}  // namespace
}  // namespace norvik::guitest
