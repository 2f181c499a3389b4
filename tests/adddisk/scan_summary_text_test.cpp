// The notice after an update: the counts first, the thumbnails made again only when there are
// some, then what an addition tells of the files it read.
#include "adddisk/scan_summary_text.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(UpdateSummaryLinesTest, CountsThenRemadeThumbnailsWhenAnyThenTheFilesNotRead) {
  DiskUpdateCounts counts{.added = 1, .changed = 2, .removed = 3, .unchanged = 4};
  AddDiskSummary summary;
  summary.found = 3;
  EXPECT_EQ(
      UpdateSummaryLines(counts, summary),
      QStringList{QStringLiteral("Новых: 1, изменённых: 2, удалённых: 3, без изменений: 4.")});

  counts.without_facts = 5;
  summary.unreadable = QStringList{QStringLiteral("/m/a.jpg")};
  summary.not_entered = QStringList{QStringLiteral("/m/locked")};
  EXPECT_EQ(UpdateSummaryLines(counts, summary),
            (QStringList{QStringLiteral("Новых: 1, изменённых: 2, удалённых: 3, без изменений: 4."),
                         QStringLiteral("Эскизы без сведений о файле сделаны заново: 5."),
                         QStringLiteral("Не удалось прочитать изображений: 1."),
                         QStringLiteral("/m/a.jpg"),
                         QStringLiteral("Не удалось открыть папок: 1. Изображения в них не "
                                        "искались:"),
                         QStringLiteral("/m/locked")}));
  // The lines of the files read are those an addition gives.
  EXPECT_EQ(UpdateSummaryLines(counts, summary).mid(2), AdditionSummaryLines(summary));
}

}  // namespace
}  // namespace quorvel
