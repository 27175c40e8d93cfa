#include "editors/ui/shiftpage.h"

#include "app/pagecontext.h"

namespace korvane {

// Placeholder until the shift editor lands.
ShiftPage::ShiftPage(PageContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName(QStringLiteral("frmBanciset"));
    setWindowTitle(QStringLiteral("班次设定"));
}

} // namespace korvane
