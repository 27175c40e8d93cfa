// Test entry point: an application object for Qt SQL (and widgets), on the
// offscreen platform so tests run without a display.

#include "store/datafiles.h"
#include "support/servercluster.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <cstdio>

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
    // The tests' databases on the server: without the server's programs the
    // whole program is skipped (ctest's skip code), a cluster that will not
    // start fails it.
    if (korvane::test::onServerStore() && !::testing::GTEST_FLAG(list_tests)) {
        QString why;
        if (!korvane::test::ServerCluster::shared(&why)) {
            fprintf(stderr, "%s\n", qPrintable(why));
            return why.startsWith(QLatin1String("missing")) ? 77 : 1;
        }
    }
    return RUN_ALL_TESTS();
}
