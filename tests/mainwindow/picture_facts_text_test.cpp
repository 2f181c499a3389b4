// The facts of a picture in the window's words: the parts that are known, in order, and sizes
// as a Russian reader writes them.
#include "mainwindow/picture_facts_text.h"

#include <QDateTime>
#include <QTest>

namespace quorvel {

class PictureFactsTextTest : public QObject {
  Q_OBJECT

 private slots:
  void knownFactsAreJoinedAndUnknownOnesLeftOut();
  void sizesTakeTheLargestUnitWithOneDecimal();
};

void PictureFactsTextTest::knownFactsAreJoinedAndUnknownOnesLeftOut() {
  PictureFacts facts;
  QCOMPARE(PictureFactsText(facts), QString());
  facts.taken = QDateTime(QDate(2019, 7, 12), QTime(14, 3, 59), Qt::UTC).toSecsSinceEpoch();
  facts.make = "Canon";
  facts.model = "Canon EOS 70D";
  facts.width = 5472;
  facts.height = 3648;
  facts.file_size = 7'549'747;
  facts.position = GeoPosition{55.75, 37.6};  // not told in words
  QCOMPARE(PictureFactsText(facts),
           QStringLiteral("Снято: 12.07.2019 14:03, Canon EOS 70D, 5472 x 3648, 7,2 МБ"));

  facts.taken.reset();
  facts.make.clear();
  QCOMPARE(PictureFactsText(facts), QStringLiteral("Canon EOS 70D, 5472 x 3648, 7,2 МБ"));
  facts.width = 0;
  facts.model.clear();
  facts.duration_ms = 42'400;
  QCOMPARE(PictureFactsText(facts), QStringLiteral("7,2 МБ, 0:42"));
  facts.file_size.reset();
  facts.duration_ms = 3'723'000;
  QCOMPARE(PictureFactsText(facts), QStringLiteral("1:02:03"));
}

void PictureFactsTextTest::sizesTakeTheLargestUnitWithOneDecimal() {
  QCOMPARE(DataSizeText(0), QStringLiteral("0 Б"));
  QCOMPARE(DataSizeText(512), QStringLiteral("512 Б"));
  QCOMPARE(DataSizeText(1536), QStringLiteral("1,5 КБ"));
  // Rounded up to the next unit rather than shown as 1024,0 of this one.
  QCOMPARE(DataSizeText(1024 * 1024 - 1), QStringLiteral("1,0 МБ"));
  QCOMPARE(DataSizeText(3LL * 1024 * 1024 * 1024), QStringLiteral("3,0 ГБ"));
}

}  // namespace quorvel

QTEST_GUILESS_MAIN(quorvel::PictureFactsTextTest)
#include "picture_facts_text_test.moc"
