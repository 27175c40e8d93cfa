// Test entry point: an application object for Qt SQL (and widgets), on the
// offscreen platform so tests run without a display.

#include "store/datafiles.h"

#include <gtest/gtest.h>

#ifdef KORVANE_TEST_WIDGETS
#include "app/appsetup.h"
#include <QApplication>
#else
#include <QCoreApplication>
#endif

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    korvane::files::provideRuntimeDirectory();
    ::testing::InitGoogleTest(&argc, argv);
#ifdef KORVANE_TEST_WIDGETS
    QApplication app(argc, argv);
    korvane::setUpApplication(app);
#else
    QCoreApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
