// The one reader of a capture's files: in the list's order, each file front to back once, and no
// further ahead of the file on show than its bounds allow.
#include "scan/disc_reader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

#include "scan/test_pictures.h"
#include "scan/thumbnail_renderer.h"
#include "support/fake_file_access.h"
#include "support/peak_memory.h"
#include "support/video_fixtures.h"

namespace quorvel {
namespace {

using testkit::FakeFileAccess;

constexpr std::int64_t kMiB = 1024 * 1024;

bool Eventually(const std::function<bool()>& condition) {
  for (int i = 0; i < 500; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}

// Long enough for a reader that had room left to use it.
void Settle() { std::this_thread::sleep_for(std::chrono::milliseconds(150)); }

QByteArray Take(ReadFile& file) {
  QByteArray bytes;
  for (std::span<const std::uint8_t> got; !(got = file.Next({})).empty();) {
    bytes.append(reinterpret_cast<const char*>(got.data()), static_cast<qsizetype>(got.size()));
  }
  file.Finish();
  return bytes;
}

struct Reading {
  std::shared_ptr<FakeFileAccess> access = std::make_shared<FakeFileAccess>();
  std::shared_ptr<std::atomic<std::int64_t>> bytes_read =
      std::make_shared<std::atomic<std::int64_t>>(0);

  std::unique_ptr<DiscReader> Start(const QStringList& paths, bool use_previews = true) {
    return std::make_unique<DiscReader>(paths, access, use_previews, bytes_read);
  }
};

TEST(DiscReaderTest, ReadsTheFilesInTheirOrderEachOnceFrontToBack) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  std::mt19937 random(7);
  QStringList paths;
  QList<QByteArray> contents;
  for (const std::int64_t size : {std::int64_t{3} * kMiB + 5, std::int64_t{0}, std::int64_t{70000},
                                  std::int64_t{100}, kMiB}) {
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    for (char& byte : bytes) byte = static_cast<char>(random());
    paths << dir.filePath(QStringLiteral("f%1.jpg").arg(paths.size()));
    contents << bytes;
    QFile file(paths.last());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
  }
  for (const bool use_previews : {true, false}) {
    Reading reading;
    const auto reader = reading.Start(paths, use_previews);
    std::int64_t total = 0;
    for (int i = 0; i < paths.size(); ++i) {
      EXPECT_EQ(Take(*reader->File(i)), contents[i]) << i;
      EXPECT_TRUE(reader->File(i)->ReadError().isEmpty());
      EXPECT_EQ(reading.access->BytesRead(paths[i]), contents[i].size());
      total += contents[i].size();
    }
    EXPECT_EQ(reading.access->Opened(), paths);
    EXPECT_EQ(reading.bytes_read->load(), total);
  }
}

TEST(DiscReaderTest, ReadsAheadAtMostEightFilesOr64Megabytes) {
  {
    Reading reading;
    QStringList paths;
    for (int i = 0; i < 12; ++i) {
      paths << QStringLiteral("/small/%1.jpg").arg(i);
      reading.access->AddMadeUp(paths.last(), 1000);
    }
    const auto reader = reading.Start(paths);
    ASSERT_TRUE(Eventually([&] { return reading.access->Opened().size() == 8; }));
    Settle();
    EXPECT_EQ(reading.access->Opened(), paths.mid(0, 8));  // none taken, none shown
    reader->Show(0);
    ASSERT_TRUE(Eventually([&] { return reading.access->Opened().size() == 9; }));
    reader->Show(3);
    ASSERT_TRUE(Eventually([&] { return reading.access->Opened().size() == 12; }));
  }
  {
    Reading reading;
    QStringList paths;
    for (int i = 0; i < 6; ++i) {
      paths << QStringLiteral("/large/%1.jpg").arg(i);
      reading.access->AddMadeUp(paths.last(), 20 * kMiB);
    }
    const auto reader = reading.Start(paths);
    // Within one read of the bound.
    ASSERT_TRUE(Eventually([&] { return reading.access->TotalRead() > 63 * kMiB; }));
    Settle();
    EXPECT_LE(reading.access->TotalRead(), 64 * kMiB);
    EXPECT_EQ(reading.access->Opened().size(), 4);
    // The bytes a decoder is done with make room.
    reader->File(0)->Finish();
    ASSERT_TRUE(Eventually([&] { return reading.access->TotalRead() > 83 * kMiB; }));
    Settle();
    EXPECT_LE(reading.access->TotalRead(), 84 * kMiB);
  }
  {
    // A file larger than the bytes' bound, whose render has stalled or was left behind (a
    // time-out): the reader holds no more of it than the bound. Its decoder taking the bytes
    // makes the room to read it whole.
    Reading reading;
    const QStringList paths = {QStringLiteral("/huge.jpg"), QStringLiteral("/next.jpg")};
    reading.access->AddMadeUp(paths[0], 200 * kMiB);
    reading.access->AddMadeUp(paths[1], 1000);
    const auto reader = reading.Start(paths, false);
    reader->Show(0);
    ASSERT_TRUE(Eventually([&] { return reading.access->TotalRead() > 63 * kMiB; }));
    Settle();
    EXPECT_LE(reading.access->TotalRead(), 64 * kMiB);
    EXPECT_EQ(Take(*reader->File(0)).size(), 200 * kMiB);
    EXPECT_TRUE(Eventually([&] { return reading.access->BytesRead(paths[1]) == 1000; }));
  }
}

TEST(DiscReaderTest, HoldsNothingOfTheFilesItsDecodersAreDoneWith) {
  if (!testkit::PeakMemory::Available()) GTEST_SKIP() << "no /proc/self/clear_refs";
  // A disk of many pictures, each taken by its decoder and finished with, in turn: what stays
  // resident is the bound's worth, not the disk's.
  Reading reading;
  QStringList paths;
  for (int i = 0; i < 300; ++i) {
    paths << QStringLiteral("/many/%1.jpg").arg(i);
    reading.access->AddMadeUp(paths.last(), kMiB + kMiB / 2);
  }
  testkit::PeakMemory peak;
  peak.Start();
  const auto reader = reading.Start(paths, false);
  for (int i = 0; i < paths.size(); ++i) {
    reader->Show(i);
    ASSERT_EQ(Take(*reader->File(i)).size(), kMiB + kMiB / 2);
  }
  EXPECT_LT(peak.GrowthKb(), 100 * 1024) << "the disk's files are 450 MB";
}

TEST(DiscReaderTest, LendsTheMediumToAVideoInItsTurnAndGoesOnWithoutAStalledOne) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString video = dir.filePath(QStringLiteral("long.avi"));
  ASSERT_TRUE(testkit::RunAll(
      {testkit::TestPatternVideo(video, QSize(320, 240), 30, 10, {"-c:v", "mjpeg", "-q:v", "2"})}));
  QImage picture(200, 150, QImage::Format_RGB32);
  picture.fill(Qt::darkCyan);
  const QByteArray jpeg = testkit::EncodeWithQt(picture, "jpg");
  const QStringList paths = {dir.filePath(QStringLiteral("before.jpg")), video,
                             dir.filePath(QStringLiteral("after.jpg"))};
  ASSERT_TRUE(testkit::WriteBytes(paths[0], jpeg) && testkit::WriteBytes(paths[2], jpeg));
  {
    Reading reading;
    const auto reader = reading.Start(paths);
    for (int i = 0; i < paths.size(); ++i) {
      QString error;
      EXPECT_FALSE(DecodeFittedPicture(*reader->File(i), paths[i], 100, &error).isNull())
          << qPrintable(error);
      reader->File(i)->Finish();
    }
    EXPECT_EQ(reading.access->Opened(), paths);
    // The video's reads are the reader's, and only what its frame at a tenth needs.
    const std::int64_t video_read = reading.access->BytesRead(video);
    EXPECT_GT(video_read, 0);
    EXPECT_LT(video_read, QFileInfo(video).size() / 5);
    EXPECT_EQ(reading.bytes_read->load(), 2 * jpeg.size() + video_read);
  }
  {
    Reading reading;
    reading.access->Block(video);
    const auto reader = reading.Start(paths);
    EXPECT_EQ(Take(*reader->File(0)), jpeg);
    std::stop_source stop;
    std::thread decoding([&] {
      QString error;
      DecodeFittedPicture(*reader->File(1), video, 100, &error, stop.get_token());
    });
    ASSERT_TRUE(Eventually([&] { return reading.access->ReadsBlocked() == 1; }));
    // The capture gives up on the video: the next file is read while its read still waits.
    stop.request_stop();
    reader->Show(2);
    EXPECT_EQ(Take(*reader->File(2)), jpeg);
    EXPECT_EQ(reading.access->ReadsBlocked(), 1);
    reading.access->Release();
    decoding.join();
  }
}

TEST(DiscReaderTest, AStoppedRenderEndsAndItsFileIsReadNoFurther) {
  // A JPEG's signature and 10 GB of nothing (sparse): libjpeg looks for a marker through all of
  // it unless the stop ends the bytes.
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString endless = dir.filePath(QStringLiteral("endless.jpg"));
  {
    QFile file(endless);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("\xFF\xD8\xFF", 3) == 3 &&
                file.resize(10 * 1024 * kMiB));
  }
  Reading reading;
  const auto reader = reading.Start({endless}, false);
  reader->Show(0);
  std::stop_source stop;
  std::atomic<bool> returned = false;
  std::thread decoding([&] {
    QString error;
    DecodeFittedPicture(*reader->File(0), endless, 100, &error, stop.get_token());
    returned = true;
  });
  ASSERT_TRUE(Eventually([&] { return reading.access->BytesRead(endless) > 16 * kMiB; }));
  const std::int64_t read_at_stop = reading.access->BytesRead(endless);
  stop.request_stop();
  reader->File(0)->Drop();
  EXPECT_TRUE(Eventually([&] { return returned.load(); }));
  decoding.join();
  const std::int64_t read_by_then = reading.access->BytesRead(endless);
  Settle();
  EXPECT_LE(reading.access->BytesRead(endless), read_by_then);
  // Measured from the stop, not from the start: on a busy machine the decoder may run on for a
  // while before the stop is asked for.
  EXPECT_LT(read_by_then - read_at_stop, 128 * kMiB);
}

TEST(DiscReaderTest, ADroppedFileGivesItsDecoderNoFurtherBytes) {
  // A library that reads by seeking cannot always be stopped from outside; once the capture
  // has left its file, each read it makes fails at once, and the medium is not touched.
  Reading reading;
  const QString clip = QStringLiteral("/zeros.mp4");
  reading.access->AddMadeUp(clip, 10 * 1024 * kMiB);
  const auto reader = reading.Start({clip});
  QString error;
  const std::unique_ptr<OpenedFile> opened = reader->File(0)->OpenForSeeking({}, &error);
  ASSERT_TRUE(opened) << qPrintable(error);
  std::vector<std::uint8_t> buffer(kMiB);
  EXPECT_EQ(opened->Read(buffer.data(), kMiB, &error), kMiB);
  reader->File(0)->Drop();
  EXPECT_LT(opened->Read(buffer.data(), kMiB, &error), 0);
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(reading.access->BytesRead(clip), kMiB);
  // Nor is the file counted as cut by the medium.
  EXPECT_TRUE(reader->File(0)->IoError().isEmpty());
}

}  // namespace
}  // namespace quorvel
