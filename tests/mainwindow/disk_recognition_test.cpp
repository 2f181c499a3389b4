// Catalogued disks recognised where they are mounted now: marked in the disk list, announced
// once, their originals opened from there and their update offered from there.
#include "mainwindow/disk_recognition.h"

#include <QDesktopServices>
#include <QDir>
#include <QIcon>
#include <QListView>
#include <QTest>
#include <QUrl>
#include <atomic>
#include <memory>
#include <mutex>

#include "window_fixture.h"

namespace quorvel {
namespace {

// Mounts the test sets, and a locator that finds the disks whose names start with `name` below
// any of them, as if their stored paths' first two folders stood for the mounted folder.
struct FakeMounts {
  std::mutex mutex;
  std::vector<MountedFolder> mounted;
  std::atomic<int> looks = 0;

  RecognitionSources Sources(std::shared_ptr<FakeMounts> self, std::string name) {
    return {[self] {
              const std::lock_guard lock(self->mutex);
              ++self->looks;
              return self->mounted;
            },
            [name](const CatInfo& disk, const std::filesystem::path& mounted) {
              return disk.Name.starts_with(name) ? std::optional(DiskLocation{2, mounted, mounted})
                                                 : std::nullopt;
            }};
  }
  void Set(std::vector<MountedFolder> now) {
    const std::lock_guard lock(mutex);
    mounted = std::move(now);
  }
};

const QString kMark = QStringLiteral("Вставлен: %1");

}  // namespace

class DiskRecognitionTest : public QObject {
  Q_OBJECT

 public slots:
  void Open(const QUrl& url) { opened.append(url); }

 private slots:
  void cleanup() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
  void aDiskMountedElsewhereIsMarkedAnnouncedOnceAndOpenedFromThere();
  void anUpdateProposesTheFolderTheDiskIsAt();

 private:
  QList<QUrl> opened;
};

void DiskRecognitionTest::aDiskMountedElsewhereIsMarkedAnnouncedOnceAndOpenedFromThere() {
  Session s;
  const QString mounted = s.dir.filePath(QStringLiteral("m2"));
  QVERIFY(QDir().mkpath(mounted + QStringLiteral("/Фото")));
  const QString picture = mounted + QStringLiteral("/Фото/a.jpg");
  testkit::WriteFile(QStringToPath(picture), testkit::GradientJpeg(1));
  // Catalogued at /nowhere/cd, listed after the other disk's name in the file.
  const std::string photos = Utf8ToCp1251("Фото");
  QVERIFY(s.Start(
      s.Write("r.qrv",
              BuildCatalog({{"Zeta", {{"/nowhere/cd/Фото/a.jpg", testkit::GradientJpeg(1)}}},
                            {photos,
                             {{"/nowhere/cd/" + photos + "/a.jpg", testkit::GradientJpeg(1)},
                              {"/nowhere/cd/" + photos + "/b.jpg", testkit::GradientJpeg(2)}}}}))));
  const QStringList order = s.Column(0);
  auto mounts = std::make_shared<FakeMounts>();
  mounts->Set({{QStringToPath(mounted), "/dev/loop0", "vfat"}});
  auto* recognition = s.window.findChild<DiskRecognition*>();
  QVERIFY(recognition != nullptr);
  recognition->SetSources(mounts->Sources(mounts, photos));

  // Row 1 is "Фото" in the list's name order (1251 bytes: Latin before Cyrillic).
  QAbstractItemModel* rows = s.List()->model();
  const QModelIndex name = rows->index(1, 0);
  QCOMPARE(name.data().toString(), QStringLiteral("Фото"));
  QTRY_COMPARE(name.data(Qt::ToolTipRole).toString(), kMark.arg(mounted));
  QCOMPARE(name.data(Qt::AccessibleDescriptionRole).toString(), kMark.arg(mounted));
  QVERIFY(!name.data(Qt::DecorationRole).value<QIcon>().isNull());
  QVERIFY(!rows->index(0, 0).data(Qt::DecorationRole).isValid());
  QVERIFY(!rows->index(0, 0).data(Qt::ToolTipRole).isValid());
  QCOMPARE(s.Column(0), order);
  QCOMPARE(StatusText(s.window), QStringLiteral("Диск \"Фото\" вставлен: %1").arg(mounted));

  // Found again by the next look, it is not announced again.
  s.SetCurrentRow(0);
  const QString status = StatusText(s.window);
  const int looks = mounts->looks;
  recognition->Look();
  QTRY_VERIFY(mounts->looks > looks);
  QTest::qWait(50);
  QCOMPARE(StatusText(s.window), status);

  // Its original opens from where it is now; the other disk's is asked for.
  QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open");
  QListView* view = View(s.window);
  s.SetCurrentRow(1);
  SelectThumbs(view, {0});
  s.Trigger("OpenOriginal");
  QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(picture)});
  s.SetCurrentRow(0);
  SelectThumbs(view, {0});
  s.Trigger("OpenOriginal");
  QCOMPARE(StatusText(s.window), QStringLiteral("Файл недоступен: вставьте диск \"Zeta\"."));

  // Renamed, it keeps its mark; unmounted, it loses it.
  s.prompts.inputs.push_back(QStringLiteral("Фото 2"));
  s.SetCurrentRow(1);
  s.Trigger("RenameDisk");
  QCOMPARE(rows->index(1, 0).data().toString(), QStringLiteral("Фото 2"));
  QCOMPARE(rows->index(1, 0).data(Qt::ToolTipRole).toString(), kMark.arg(mounted));
  mounts->Set({});
  recognition->Look();
  QTRY_VERIFY(!rows->index(1, 0).data(Qt::DecorationRole).isValid());
  QVERIFY(!rows->index(1, 0).data(Qt::ToolTipRole).isValid());
}

void DiskRecognitionTest::anUpdateProposesTheFolderTheDiskIsAt() {
  Session s;
  const QString catalogued = s.dir.filePath(QStringLiteral("cd"));
  QVERIFY(QDir().mkpath(catalogued + QStringLiteral("/sub")));
  const std::string root = PathBytes(catalogued);
  QVERIFY(s.Start(s.Write(
      "u.qrv", BuildCatalog({{"here",
                              {{root + "/a.jpg", testkit::GradientJpeg(1)},
                               {root + "/sub/b.jpg", testkit::GradientJpeg(2)}}},
                             {"mounted", {{"/nowhere/cd/c.jpg", testkit::GradientJpeg(3)}}}}))));
  std::vector<std::pair<int, QString>> shown;
  QVERIFY(!s.Action("UpdateDisk")->isEnabled());  // nothing shows the page yet
  s.window.SetShowUpdate(
      [&shown](int disk, const QString& folder) { shown.emplace_back(disk, folder); });
  const QString elsewhere = s.dir.filePath(QStringLiteral("m"));
  auto mounts = std::make_shared<FakeMounts>();
  mounts->Set({{QStringToPath(elsewhere), "/dev/sdb1", "vfat"}});
  s.window.findChild<DiskRecognition*>()->SetSources(mounts->Sources(mounts, "mounted"));
  QTRY_VERIFY(s.List()->model()->index(1, 0).data(Qt::ToolTipRole).isValid());

  // Rows by name: "here" (disk 0), "mounted" (disk 1).
  s.SetCurrentRow(0);
  QVERIFY(s.Action("UpdateDisk")->isEnabled());
  s.Trigger("UpdateDisk");
  s.SetCurrentRow(1);
  s.Trigger("UpdateDisk");
  QCOMPARE(shown.size(), std::size_t{2});
  QCOMPARE(shown[0], std::pair(0, QDir::toNativeSeparators(catalogued)));
  QCOMPARE(shown[1], std::pair(1, QDir::toNativeSeparators(elsewhere)));

  // Only for one disk.
  s.SelectRows({0, 1});
  QVERIFY(!s.Action("UpdateDisk")->isEnabled());
}

}  // namespace quorvel

QTEST_MAIN(quorvel::DiskRecognitionTest)
#include "disk_recognition_test.moc"
