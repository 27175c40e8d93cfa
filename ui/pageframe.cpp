#include "ui/pageframe.h"

#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QWidget>

namespace korvane {

namespace {

// The frame as large as wanted where the workspace has room, kept inside it.
void growFrameTo(QMdiSubWindow* frame, QSize wanted) {
    QMdiArea* area = frame->mdiArea();
    if (!area) {
        frame->resize(wanted);
        return;
    }
    const QSize room = area->viewport()->size();
    wanted = wanted.boundedTo(room.expandedTo(frame->size()));
    if (wanted == frame->size())
        return;
    frame->resize(wanted);
    frame->move(qBound(0, frame->x(), qMax(0, room.width() - frame->width())),
                qBound(0, frame->y(), qMax(0, room.height() - frame->height())));
}

} // namespace

void fitFrameToPage(QWidget* page) {
    if (!page)
        return;
    if (QLayout* layout = page->layout())
        layout->activate();
    const QSize needed = page->minimumSizeHint();
    auto* frame = qobject_cast<QMdiSubWindow*>(page->parentWidget());
    if (frame && (frame->isMaximized() || frame->isMinimized()))
        return; // the workspace decides its size
    if (!frame) {
        if (page->isWindow())
            page->resize(page->size().expandedTo(needed));
        return;
    }
    // The frame's border and title bar stay what they are.
    growFrameTo(frame, frame->size().expandedTo(needed + frame->size() - page->size()));
}

void growFrameBy(QWidget* page, int height) {
    auto* frame = page ? qobject_cast<QMdiSubWindow*>(page->parentWidget()) : nullptr;
    if (!frame || frame->isMaximized() || frame->isMinimized())
        return;
    growFrameTo(frame, frame->size() + QSize(0, height));
}

void centreOn(QWidget* window, const QWidget* over) {
    if (!window || !over)
        return;
    const QRect area = over->window()->frameGeometry();
    const QSize size = window->frameGeometry().size();
    QRect placed(area.center() - QPoint(size.width() / 2, size.height() / 2), size);
    if (const QScreen* screen = over->screen()) {
        const QRect screenArea = screen->availableGeometry();
        placed.moveLeft(qBound(screenArea.left(), placed.left(),
                               qMax(screenArea.left(), screenArea.right() - size.width() + 1)));
        placed.moveTop(qBound(screenArea.top(), placed.top(),
                              qMax(screenArea.top(), screenArea.bottom() - size.height() + 1)));
    }
    window->move(placed.topLeft());
}

void centreInWorkspace(QWidget* page) {
    auto* frame = page ? qobject_cast<QMdiSubWindow*>(page->parentWidget()) : nullptr;
    if (!frame || !frame->mdiArea() || frame->isMaximized() || frame->isMinimized())
        return;
    const QSize room = frame->mdiArea()->viewport()->size();
    frame->move(qMax(0, (room.width() - frame->width()) / 2),
                qMax(0, (room.height() - frame->height()) / 2));
}

} // namespace korvane
