// GoogleTest's main for tests of code that needs a QApplication: the renderer widget, the event
// loop the scan pumps. Without a platform named, the offscreen one is used, so that listing the
// tests at build time needs no display either. Qt's own texts are Russian, as in the program.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/qt_translation.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  quorvel::UseRussianQtTexts(app);
  return RUN_ALL_TESTS();
}
