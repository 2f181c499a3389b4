// GoogleTest's main for tests of code that needs a QApplication: the renderer widget, the event
// loop the scan pumps. Without a platform named, the offscreen one is used, so that listing the
// tests at build time needs no display either.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
