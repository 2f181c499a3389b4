#include "catalog/piece_list.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "catalog/catalog_error.h"
#include "support/catalog_builder.h"
#include "support/error_kind.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testkit::TempDir;
using testkit::KindOf;
using testkit::ReadBytes;

Bytes Pattern(std::size_t size, std::uint8_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + seed);
  return bytes;
}

TEST(PieceListTest, EveryEditGivesTheBytesOfTheWholeImageAndLeavesTheOldListWhole) {
  TempDir dir;
  const Bytes original = Pattern(100000, 7);
  const fs::path path = dir.File("c.qrv", original);
  PieceList list(std::make_shared<const OpenedCatalogFile>(path));
  Bytes image = original;
  std::mt19937 random(42);
  std::vector<std::pair<PieceList, Bytes>> history;
  for (int edit = 0; edit < 200; ++edit) {
    history.emplace_back(list, image);
    const auto size = static_cast<std::int64_t>(image.size());
    const std::int64_t offset = std::uniform_int_distribution<std::int64_t>(0, size)(random);
    const std::int64_t count =
        std::uniform_int_distribution<std::int64_t>(0, std::min<std::int64_t>(size - offset, 3000))(
            random);
    const Bytes inserted =
        Pattern(std::uniform_int_distribution<std::size_t>(0, 2000)(random),
                static_cast<std::uint8_t>(edit));
    list = list.Replaced(offset, count, inserted);
    image.erase(image.begin() + offset, image.begin() + offset + count);
    image.insert(image.begin() + offset, inserted.begin(), inserted.end());
    ASSERT_EQ(list.Flatten(), image) << "edit " << edit;
  }
  // Each edit adds at most two pieces, however large the file.
  EXPECT_LE(list.PieceCount(), 2u * 200 + 1);
  // Every earlier list still reads as it did: the undo of any number of edits.
  for (const auto& [earlier, bytes] : history) EXPECT_EQ(earlier.Flatten(), bytes);

  // Written out, the file's pieces copied by the kernel and the new ones written, it is the image.
  const fs::path saved = dir.path() / "saved.qrv";
  const int fd = ::open(saved.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  list.WriteTo(fd, saved);
  ::close(fd);
  EXPECT_EQ(ReadBytes(saved), std::string(image.begin(), image.end()));
}

TEST(PieceListTest, AFileChangedInPlaceFailsItsReadsAndOneReplacedByRenameReadsAsOpened) {
  TempDir dir;
  const Bytes original = Pattern(50000, 3);
  const fs::path path = dir.File("c.qrv", original);
  const PieceList list(std::make_shared<const OpenedCatalogFile>(path));

  // Replaced by rename, as a save replaces it: the opened file is still there to read.
  testkit::WriteFile(dir.path() / "new.qrv", Pattern(10, 9));
  fs::rename(dir.path() / "new.qrv", path);
  EXPECT_EQ(list.Flatten(), original);

  const fs::path other = dir.File("d.qrv", original);
  const PieceList cut(std::make_shared<const OpenedCatalogFile>(other));
  fs::resize_file(other, 1000);
  EXPECT_EQ(KindOf([&] { cut.Read(40000, 100); }), ErrorKind::kChangedOutside);

  const fs::path third = dir.File("e.qrv", original);
  const PieceList rewritten(std::make_shared<const OpenedCatalogFile>(third));
  // The same length, other bytes, a later time: only the time tells.
  {
    const int fd = ::open(third.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const Bytes other_bytes = Pattern(original.size(), 99);
    ASSERT_EQ(::pwrite(fd, other_bytes.data(), other_bytes.size(), 0),
              static_cast<ssize_t>(other_bytes.size()));
    const timespec later[2] = {{0, UTIME_OMIT}, {time(nullptr) + 10, 0}};
    ASSERT_EQ(::futimens(fd, later), 0);
    ::close(fd);
  }
  EXPECT_EQ(KindOf([&] { rewritten.Read(0, 10); }), ErrorKind::kChangedOutside);
}

}  // namespace
}  // namespace quorvel
