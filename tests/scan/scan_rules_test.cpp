#include "scan/scan_rules.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
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
  using Clock = std::chrono::steady_clock;

  // Runs a wait whose `ready` turns true on its `ready_on`th question (never for 0). A question
  // answered "not yet" wakes the wait, as a render ending elsewhere would, so that it asks
  // again. Returns how long the wait took.
  Clock::duration Wait(int ready_on = 0, bool wake_on_no = true) {
    const Clock::time_point start = Clock::now();
    ScanWait(view_, state_, context_, [this, ready_on, wake_on_no] {
      ++questions_;
      if (on_question_) on_question_();
      const bool ready = ready_on > 0 && questions_ >= ready_on;
      if (!ready && wake_on_no && questions_ < kWakes) state_.Wake->Notify();
      return ready;
    });
    return Clock::now() - start;
  }

  // How many "not yet" answers wake the wait: enough for every test, few enough that a timed
  // wait then sleeps to its deadline.
  static constexpr int kWakes = 5;

  RecordingScanView view_;
  ScanState state_;
  ScanContext context_;
  int questions_ = 0;
  std::function<void()> on_question_;
};

using std::chrono::milliseconds;

TEST_F(ScanWaitTest, UncheckedBoxWaitsForReadyWithoutCountingSteps) {
  view_.timeout_active = false;
  view_.timeout_text = QStringLiteral("100");
  Wait(5);
  EXPECT_EQ(questions_, 5);
  EXPECT_EQ(context_.WaitSteps, 0);
}

TEST_F(ScanWaitTest, UncheckedBoxWithZeroTimeoutEndsAfterOnePass) {
  view_.timeout_text = QStringLiteral("0");
  Wait(0, false);
  EXPECT_EQ(questions_, 1);
}

TEST_F(ScanWaitTest, CheckedBoxWaitsUntilTheTimeoutHasPassed) {
  view_.timeout_active = true;
  view_.timeout_text = QStringLiteral("0");
  EXPECT_GE(Wait(0, false), milliseconds(100)) << "at least one step";
  EXPECT_EQ(context_.WaitSteps, 1);

  context_.WaitSteps = 0;
  view_.timeout_text = QStringLiteral("250");
  // Woken on the way, as renders ahead ending wake it: the deadline stays where it was.
  EXPECT_GE(Wait(), milliseconds(300));
  EXPECT_EQ(context_.WaitSteps, 3);
}

TEST_F(ScanWaitTest, ReadyEndsATimedWaitEarly) {
  view_.timeout_active = true;
  view_.timeout_text = QStringLiteral("10000");
  EXPECT_LT(Wait(2), milliseconds(5000));
  EXPECT_EQ(questions_, 2);
}

TEST_F(ScanWaitTest, SkipFromAnotherThreadEndsTheWaitAtOnce) {
  view_.timeout_text = QStringLiteral("100");  // unchecked: nothing else would end it
  std::thread skip([this] {
    std::this_thread::sleep_for(milliseconds(50));
    state_.RequestSkip();
  });
  Wait(0, false);
  skip.join();
  EXPECT_TRUE(state_.SkipRequested);
  EXPECT_EQ(questions_, 2);
}

TEST_F(ScanWaitTest, TimeoutIsReadAfreshOnEveryPass) {
  view_.timeout_active = true;
  view_.timeout_text = QStringLiteral("10000");
  // The field changed to 200 during the wait, and the change woke it.
  on_question_ = [this] {
    if (questions_ == 2) view_.timeout_text = QStringLiteral("200");
  };
  std::thread change([this] {
    std::this_thread::sleep_for(milliseconds(50));
    state_.Wake->Notify();
  });
  const Clock::duration waited = Wait(0, false);
  change.join();
  EXPECT_GE(waited, milliseconds(200));
  EXPECT_LT(waited, milliseconds(5000));
  EXPECT_EQ(context_.WaitSteps, 2);
}

TEST_F(ScanWaitTest, TimeoutThatIsNoNumberEndsTheWaitWithAnError) {
  view_.timeout_text = QStringLiteral("abc");
  EXPECT_THROW(Wait(), ScanError);
}

}  // namespace
}  // namespace quorvel
