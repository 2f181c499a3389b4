// GoogleTest's main for tests of code that needs a QGuiApplication but no widget: the scan,
// whose placeholder draws text with Qt's fonts. Without a platform named, the offscreen one is
// used, so that listing the tests at build time needs no display either.
#include <gtest/gtest.h>

#include <QGuiApplication>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QGuiApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
