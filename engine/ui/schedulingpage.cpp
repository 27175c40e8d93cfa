#include "engine/ui/schedulingpage.h"

#include "app/pagecontext.h"

namespace korvane {

// Placeholder until the scheduling page lands.
SchedulingPage::SchedulingPage(PageContext& context, QWidget* parent)
    : QWidget(parent), m_context(context) {
    setObjectName(QStringLiteral("paiban"));
    setWindowTitle(QStringLiteral("排班"));
}

bool SchedulingPage::runInProgress() const {
    return false;
}

void SchedulingPage::stopRun() {}

} // namespace korvane
