// 优化值班表 in the window: the search runs on its own thread while the
// data commands are disabled, and the roster it keeps is opened.

#include "engine/run.h"
#include "search/ui/improvewindow.h"
#include "ui/fakepagecontext.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QSpinBox>

using namespace korvane;

TEST(ImproveWindow, SearchesOnItsThreadAndOpensTheKeptRoster) {
    test::FakePageContext context;
    context.data.loadSample();
    ASSERT_EQ(engine::generate(context.data.path).outcome, engine::RunOutcome::Done);
    auto* window = new ImproveWindow(context, QString());
    test::control<QSpinBox>(window, "seconds")->setValue(1);
    QSignalSpy finished(window, &ImproveWindow::searchFinished);
    test::control(window, "start")->click();
    EXPECT_TRUE(window->searching());
    EXPECT_FALSE(context.dataCommandsEnabled);
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_EQ(context.dataCommandChanges, (QList<bool>{false, true}));
    ASSERT_EQ(window->result().outcome, search::Outcome::Done);
    EXPECT_LE(window->result().improvement.scoreAfter.total(),
              window->result().improvement.scoreBefore.total());
    EXPECT_EQ(context.savedRostersShown, QList<qint64>{window->result().kept.number});
    delete window;
}
