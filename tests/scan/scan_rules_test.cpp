#include "scan/scan_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalog/cp1251.h"
#include "recording_scan_view.h"

namespace quorvel {
namespace {

using testkit::RecordingScanView;

TEST(IsExcludedTest, FoldsOnlyAsciiLetters) {
  EXPECT_TRUE(IsExcluded("a.jpg", {"JPG"}));
  EXPECT_TRUE(IsExcluded("A.JPG", {".jpg"}));
  const std::string name = Utf8ToCp1251("лето.фото");
  EXPECT_TRUE(IsExcluded(name, {Utf8ToCp1251(".фото")}));
  // Windows-1251 capitals are other bytes than the small letters, and stay so.
  EXPECT_FALSE(IsExcluded(name, {Utf8ToCp1251(".ФОТО")}));
}

TEST(IsExcludedTest, EntryIsAnEndingNotAnExtension) {
  EXPECT_TRUE(IsExcluded("ajpg", {"jpg"}));
  EXPECT_TRUE(IsExcluded("a.jpg", {"jpg"}));
  EXPECT_FALSE(IsExcluded("a.jpg", {".jp"}));
  EXPECT_FALSE(IsExcluded("ajpg", {".jpg"}));
}

TEST(IsExcludedTest, EmptyEntryMatchesAllAndLongEntryNone) {
  EXPECT_TRUE(IsExcluded("a.png", {""}));
  EXPECT_TRUE(IsExcluded("", {""}));
  EXPECT_FALSE(IsExcluded("a.jpg", {"xa.jpg"}));
  EXPECT_FALSE(IsExcluded("a.jpg", {"photos/a.jpg"}));
  EXPECT_FALSE(IsExcluded("a.jpg", {}));
}

TEST(IsExcludedTest, EveryEntryIsCompared) {
  EXPECT_TRUE(IsExcluded("a.jpg", {".png", ".gif", ".jpg"}));
  EXPECT_TRUE(IsExcluded("a.jpg", {".jpg", ".png"}));
  EXPECT_FALSE(IsExcluded("a.jpg", {".png", ".gif"}));
}

TEST(CaptureProgressTest, EightFilesRoundHalvesToEven) {
  // 12.5 x index - 1: 11.5 and 61.5 go up to the even 12 and 62, 36.5 and 86.5 down to 36, 86.
  std::vector<int> positions;
  for (int i = 0; i < 8; ++i) positions.push_back(CaptureProgress(i, 8));
  EXPECT_EQ(positions, (std::vector<int>{-1, 12, 24, 36, 49, 62, 74, 86}));
}

TEST(CaptureProgressTest, OtherFractionsGoToTheNearest) {
  EXPECT_EQ(CaptureProgress(1, 3), 32);  // 32.33
  EXPECT_EQ(CaptureProgress(2, 3), 66);  // 65.67
  EXPECT_EQ(CaptureProgress(0, 1), -1);
  EXPECT_EQ(CaptureProgress(199, 200), 98);  // 98.5
}

TEST(ParseTimeoutTest, WholeNumbersOnly) {
  EXPECT_EQ(ParseTimeout(QStringLiteral("250")), 250);
  EXPECT_EQ(ParseTimeout(QStringLiteral("0")), 0);
  EXPECT_THROW(ParseTimeout(QStringLiteral("abc")), ScanError);
  EXPECT_THROW(ParseTimeout(QStringLiteral("12.5")), ScanError);
  EXPECT_THROW(ParseTimeout(QString()), ScanError);
}

class ScanWaitTest : public ::testing::Test {
 protected:
  // Runs a wait whose `ready` turns true on its `ready_on`th question (never for 0).
  void Wait(int ready_on = 0) {
    ScanWait(view_, state_, context_, [this, ready_on] {
      ++questions_;
      return ready_on > 0 && questions_ >= ready_on;
    });
  }

  RecordingScanView view_;
  ScanState state_;
  ScanContext context_;
  int questions_ = 0;
};

TEST_F(ScanWaitTest, UncheckedBoxWaitsForReadyWithoutSleeping) {
  view_.timeout_active = false;
  view_.timeout_text = QStringLiteral("100");
  Wait(5);
  EXPECT_EQ(questions_, 5);
  EXPECT_TRUE(view_.sleeps.empty());
  EXPECT_EQ(context_.WaitSteps, 0);
  ASSERT_EQ(view_.waits_for_events.size(), 5u);
  // The first pass must not block: the result may already be waiting to be collected.
  EXPECT_FALSE(view_.waits_for_events[0]);
}

TEST_F(ScanWaitTest, UncheckedBoxWithZeroTimeoutEndsAfterOnePass) {
  view_.timeout_text = QStringLiteral("0");
  Wait();
  EXPECT_EQ(questions_, 1);
  EXPECT_TRUE(view_.sleeps.empty());
}

TEST_F(ScanWaitTest, CheckedBoxSleepsUntilTheTimeoutHasPassed) {
  view_.timeout_active = true;
  view_.timeout_text = QStringLiteral("0");
  Wait();
  EXPECT_EQ(view_.sleeps, std::vector<int>{100});
  EXPECT_EQ(context_.WaitSteps, 1);

  context_.WaitSteps = 0;
  view_.sleeps.clear();
  view_.timeout_text = QStringLiteral("250");
  Wait();
  EXPECT_EQ(view_.sleeps, (std::vector<int>{100, 100, 100}));
  EXPECT_EQ(context_.WaitSteps, 3);
}

TEST_F(ScanWaitTest, ReadyEndsATimedWaitEarly) {
  view_.timeout_active = true;
  view_.timeout_text = QStringLiteral("10000");
  Wait(2);
  EXPECT_EQ(view_.sleeps.size(), 2u);
}

TEST_F(ScanWaitTest, SkipEndsTheWait) {
  view_.timeout_text = QStringLiteral("100");
  int passes = 0;
  view_.on_process = [&] {
    if (++passes == 3) state_.SkipRequested = true;
  };
  Wait();
  EXPECT_EQ(passes, 3);
}

TEST_F(ScanWaitTest, TimeoutIsReadAfreshOnEveryPass) {
  view_.timeout_active = true;
  view_.timeout_text = QStringLiteral("10000");
  view_.on_sleep = [&] {
    if (view_.sleeps.size() == 2) view_.timeout_text = QStringLiteral("200");
  };
  Wait();
  EXPECT_EQ(view_.sleeps.size(), 2u);
}

TEST_F(ScanWaitTest, TimeoutThatIsNoNumberEndsTheWaitWithAnError) {
  view_.timeout_text = QStringLiteral("abc");
  EXPECT_THROW(Wait(), ScanError);
}

}  // namespace
}  // namespace quorvel
