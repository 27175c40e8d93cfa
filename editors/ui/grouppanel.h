#pragma once

#include <QWidget>

namespace korvane {

class PageContext;

// The group pages of the setup page (Frame2, the groups, and Frame3, the
// members of the selected group) for one kind of group at a time.
class GroupPanel : public QWidget {
    Q_OBJECT
public:
    explicit GroupPanel(PageContext& context, QWidget* parent = nullptr);
    // Opens the page of kind 1 (staff groups), 2 (date groups) or 3 (shift groups).
    void openKind(int kind);
    // Shows the members of the current group row.
    void refreshMembers();

private:
    PageContext& m_context;
};

} // namespace korvane
