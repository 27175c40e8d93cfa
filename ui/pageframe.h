#pragma once

class QWidget;

namespace korvane {

// Gives a page the room its controls need (the minimum size of its layout)
// after a panel of it has appeared: the page's frame in the workspace grows
// as far as the workspace has room and is kept inside it; a page that is a
// window of its own grows itself. A page is never made smaller.
void fitFrameToPage(QWidget* page);
// The page's frame taller by height, as far as the workspace has room: for a
// panel that appears above others that keep their room.
void growFrameBy(QWidget* page, int height);

// Places a window of its own centred on the window that holds `over`, and
// inside the screen.
void centreOn(QWidget* window, const QWidget* over);

// Centres a page's frame in the workspace that holds it, its top left kept
// inside the workspace; a maximised or minimised frame stays as it is.
void centreInWorkspace(QWidget* page);

} // namespace korvane
