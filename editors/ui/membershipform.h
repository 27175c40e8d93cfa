#pragma once

#include "editors/membershipeditor.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QListWidget;

namespace korvane {

class PageContext;

// 修改组 (frmXiugaizu): the members of one group (left) and the rows that are
// not members (right); << and >> move the selected entries, and every move is
// stored at once. Reads the group context the group page has set.
class MembershipForm : public QWidget {
    Q_OBJECT
public:
    explicit MembershipForm(PageContext& context, QWidget* parent = nullptr);

    void moveIntoGroup();  // Label3 <<
    void moveOutOfGroup(); // Label4 >>
    // Date groups: every candidate date on the ticked weekdays into the group.
    void addWeekdays();
    void confirm(); // btnOK 确定: close, then the group page refreshes its members

signals:
    // Emitted by 确定 after the window has closed.
    void confirmed();

private:
    void move(QListWidget* from, QListWidget* to, MembershipEditor::Direction direction);
    void moveRows(QListWidget* from, QListWidget* to, const QList<int>& rows,
                  MembershipEditor::Direction direction);
    QWidget* buildWeekdayPicker();
    static QList<MemberEntry> entriesOf(const QListWidget* list);
    static void fillList(QListWidget* list, const QList<MemberEntry>& entries);

    PageContext& m_context;
    MembershipEditor m_editor;
    QLabel* m_groupName = nullptr;       // Label1
    QListWidget* m_members = nullptr;    // List2
    QListWidget* m_candidates = nullptr; // List1
    QList<QCheckBox*> m_weekdays;        // Monday to Sunday, date groups only
};

} // namespace korvane
