#include "support/fact_fixtures.h"

#include <gtest/gtest.h>

#include <chrono>

#include "support/video_fixtures.h"

namespace quorvel::testkit {

std::int64_t ClockSeconds(int year, int month, int day, int hour, int minute, int second) {
  const std::chrono::sys_days date{std::chrono::year(year) / month / day};
  return date.time_since_epoch() / std::chrono::seconds(1) + hour * 3600 + minute * 60 + second;
}

bool WriteExifTags(const QString& path, const QStringList& tags) {
  return RunAll({QStringList{QStringLiteral("exiftool"), QStringLiteral("-q"),
                             QStringLiteral("-overwrite_original")} +
                 tags + QStringList{path}});
}

QStringList FieldCameraTags() {
  return {QStringLiteral("-DateTimeOriginal=2021:06:15 08:09:10"),
          QStringLiteral("-Make=Quorvel"),
          QStringLiteral("-Model=Field Camera"),
          QStringLiteral("-GPSLatitude=48.8583"),
          QStringLiteral("-GPSLatitudeRef=N"),
          QStringLiteral("-GPSLongitude=2.2945"),
          QStringLiteral("-GPSLongitudeRef=E"),
          QStringLiteral("-Orientation#=6")};
}

PictureFacts FieldCameraFacts(int width, int height) {
  PictureFacts facts;
  facts.taken = ClockSeconds(2021, 6, 15, 8, 9, 10);
  facts.make = "Quorvel";
  facts.model = "Field Camera";
  facts.width = height;
  facts.height = width;
  facts.position = GeoPosition{48.8583, 2.2945};
  return facts;
}

void ExpectFacts(const PictureFacts& actual, const PictureFacts& expected, const QString& what) {
  SCOPED_TRACE(what.toStdString());
  EXPECT_EQ(actual.taken, expected.taken);
  EXPECT_EQ(actual.make, expected.make);
  EXPECT_EQ(actual.model, expected.model);
  EXPECT_EQ(actual.width, expected.width);
  EXPECT_EQ(actual.height, expected.height);
  ASSERT_EQ(actual.position.has_value(), expected.position.has_value());
  if (expected.position) {
    EXPECT_NEAR(actual.position->latitude, expected.position->latitude, 1e-6);
    EXPECT_NEAR(actual.position->longitude, expected.position->longitude, 1e-6);
  }
  EXPECT_EQ(actual.file_size, expected.file_size);
  EXPECT_EQ(actual.modified, expected.modified);
  EXPECT_EQ(actual.duration_ms, expected.duration_ms);
}

}  // namespace quorvel::testkit
