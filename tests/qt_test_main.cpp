// Runs GoogleTest inside a QApplication, which the network and window tests
// need for their event loop. Listing the tests needs no application, so the
// build can list them without a display.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
