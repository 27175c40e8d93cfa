#pragma once

#include "editors/groupeditor.h"

#include <QWidget>
#include <memory>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSqlQueryModel;
class QStandardItem;
class QStandardItemModel;
class QTableView;

namespace korvane {

class PageContext;
class GroupNameGrid;
class MouseReleaseWatch;
class MembershipForm;

// The group pages of the setup page (Frame2, the groups, and Frame3, the
// members of the selected group) for one kind of group at a time. The work
// is done by GroupEditor; the membership editor is opened from here.
class GroupPanel : public QWidget {
    Q_OBJECT
public:
    explicit GroupPanel(PageContext& context, QWidget* parent = nullptr);
    ~GroupPanel() override;

    // Opens the page of kind 1 (staff groups), 2 (date groups) or 3 (shift groups).
    void openKind(int kind);
    // Shows the members of the current group row.
    void refreshMembers();
    // Hides Frame2 and Frame3 (the date-range panel takes their place).
    void hidePanels();

    void addGroup();    // btnadd 增加组
    void deleteGroup(); // btnDelete 删除组
    void saveGroups();  // btnSave 保存
    void editMembers(); // Command3 增加删除成员
    void selectGroupRow(int row);
    std::optional<GroupRow> currentGroup() const;
    // The membership editor opened last, while it is open.
    MembershipForm* membershipForm() const;

private:
    void reloadGroups();
    // Ends an open name edit and stores a changed name.
    void commitNameEdit();
    // A name edit that changed the text: warned about, then stored.
    void nameChanged(qint64 idid, const QString& typed);
    void applyPendingRename();
    void onNameEdited(QStandardItem* item);

    struct PendingRename {
        qint64 idid;
        QString typed;
    };
    std::optional<PendingRename> m_pendingRename;
    MouseReleaseWatch* m_releaseWatch = nullptr;

    PageContext& m_context;
    std::unique_ptr<GroupEditor> m_editor;
    bool m_loading = false;

    QGroupBox* m_groupFrame = nullptr; // Frame2
    QLabel* m_groupCaption = nullptr;
    QStandardItemModel* m_groups = nullptr;
    GroupNameGrid* m_groupGrid = nullptr; // DataGrid1
    QPlainTextEdit* m_help = nullptr;     // Text3
    QGroupBox* m_memberFrame = nullptr;   // Frame3
    QLabel* m_memberCaption = nullptr;
    QSqlQueryModel* m_members = nullptr;
    QTableView* m_memberGrid = nullptr; // DataGrid2
    QLineEdit* m_memberSql = nullptr;   // Text1
    MembershipForm* m_form = nullptr;
};

} // namespace korvane
