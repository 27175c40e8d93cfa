#include "editors/ui/grouppanel.h"

#include "app/pagecontext.h"

namespace korvane {

// Placeholder until the group pages land.
GroupPanel::GroupPanel(PageContext& context, QWidget* parent)
    : QWidget(parent), m_context(context) {
    hide();
}

void GroupPanel::openKind(int kind) {
    m_context.state().group.groupKind = kind;
    show();
}

void GroupPanel::refreshMembers() {}

} // namespace korvane
