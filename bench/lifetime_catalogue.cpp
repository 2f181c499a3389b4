#include "lifetime_catalogue.h"

#include <QDirIterator>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <cstdio>
#include <fstream>
#include <vector>

#include "catalog/cp1251.h"
#include "catalog/disk_record_writer.h"
#include "catalog/field_codec.h"
#include "catalog/format.h"
#include "catalog/stream.h"
#include "catalog/thumbnail_jpeg.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

// The wallpapers as the scan would store them: fitted into the thumbnail square, centred on
// white, JPEG at the scan's quality.
std::vector<Bytes> WallpaperThumbnails() {
  std::vector<Bytes> thumbnails;
  for (const char* folder : {"/usr/share/backgrounds", "/usr/share/wallpapers"}) {
    QDirIterator it(QString::fromLatin1(folder), {QStringLiteral("*.jpg"), QStringLiteral("*.png")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      QImageReader reader(it.next());
      reader.setAutoTransform(true);
      const QSize size = reader.size();
      if (!size.isValid()) continue;
      reader.setScaledSize(size.scaled(kThumbSide, kThumbSide, Qt::KeepAspectRatio));
      const QImage picture = reader.read();
      if (picture.isNull()) continue;
      QImage square(kThumbSide, kThumbSide, QImage::Format_RGB888);
      square.fill(Qt::white);
      QPainter painter(&square);
      painter.drawImage((kThumbSide - picture.width()) / 2, (kThumbSide - picture.height()) / 2,
                        picture);
      painter.end();
      Bytes jpeg;
      AppendJpeg(jpeg, RgbView{square.constBits(), square.width(), square.height(),
                               static_cast<int>(square.bytesPerLine())});
      thumbnails.push_back(std::move(jpeg));
    }
  }
  return thumbnails;
}

// A camera-like path of 40 to 80 bytes, different for every thumbnail of the catalogue.
std::string ImagePath(int disk, int thumb) {
  static const char* const kFolders[] = {"Отпуск", "Дача", "Новый год", "Photos/2009/Summer trip",
                                         "DCIM/100CANON", "Семья/День рождения/Торт и гости"};
  const std::string folder = kFolders[(disk + thumb / 100) % 6];
  char name[96];
  std::snprintf(name, sizeof name, "/media/cdrom/%03d/%s/IMG_%04d.JPG", disk + 1, folder.c_str(),
                thumb + 1);
  return Utf8ToCp1251(name);
}

}  // namespace

bool MakeLifetimeCatalogue(const fs::path& path, const LifetimeShape& shape, std::string* error) {
  const fs::path marker = path.string() + "." + std::to_string(shape.disks) + "x" +
                          std::to_string(shape.thumbs_per_disk) + ".done";
  std::error_code ec;
  if (fs::exists(marker, ec) && fs::exists(path, ec)) return true;
  const std::vector<Bytes> pool = WallpaperThumbnails();
  if (pool.empty()) {
    *error = "no wallpapers (apt-get install mate-backgrounds ukui-wallpapers)";
    return false;
  }
  // The header first with no disks counted; its count is written once every disk is.
  Bytes header(kMagic, kMagic + kMagicSize);
  header.resize(kHeaderSize, 0);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const auto write = [&out](const Bytes& bytes) {
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  };
  write(header);
  for (int disk = 0; disk < shape.disks; ++disk) {
    DiskRecordBuilder record(Utf8ToCp1251("Диск " + std::to_string(disk + 1)));
    for (int thumb = 0; thumb < shape.thumbs_per_disk; ++thumb) {
      const Bytes& jpeg = pool[static_cast<std::size_t>(disk * 7 + thumb) % pool.size()];
      record.AddThumbnail(ImagePath(disk, thumb), ByteView(jpeg));
    }
    write(std::move(record).Finish());
  }
  WriteField(header, kDiskCountOffset, shape.disks, kCountWidth);
  out.seekp(0);
  write(header);
  out.close();
  if (!out) {
    *error = "cannot write " + path.string();
    return false;
  }
  std::ofstream(marker) << "done\n";
  return true;
}

}  // namespace quorvel
