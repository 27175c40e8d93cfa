// A bar of buttons that wraps: on a page narrower than the bar, every
// button stays whole inside it, on more rows, and a stretch keeps what
// follows it to the right of its row.

#include "ui/controls.h"
#include "ui/flowlayout.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QVBoxLayout>

using namespace korvane;

TEST(FlowLayout, ButtonsWrapInsideANarrowPageAndStayOnOneRowInAWideOne) {
    for (const int width : {260, 1200}) {
        QWidget page;
        auto* column = new QVBoxLayout(&page);
        FlowLayout* flow = nullptr;
        QWidget* bar = flowBar(&page, &flow);
        column->addWidget(bar);
        column->addStretch();
        QList<QPushButton*> buttons;
        for (const char* text : {"锁定/解锁此格", "锁定/解锁此人", "锁定/解锁此日", "导出CSV"})
            buttons << namedButton(QString::fromUtf8(text), QString::fromUtf8(text), bar);
        flow->addWidget(buttons.at(0));
        flow->addWidget(buttons.at(1));
        flow->addStretch();
        flow->addWidget(buttons.at(2));
        flow->addWidget(buttons.at(3));
        page.resize(width, 400);
        page.show();
        column->activate();

        QSet<int> rows;
        for (QPushButton* button : buttons) {
            EXPECT_TRUE(bar->rect().contains(button->geometry())) << width;
            rows.insert(button->y());
        }
        EXPECT_EQ(rows.size() > 1, width < 400) << width;
        if (width >= 400) { // the stretch pushes the last two to the right edge
            EXPECT_EQ(buttons.at(3)->geometry().right(), bar->rect().right());
        }
    }
}
