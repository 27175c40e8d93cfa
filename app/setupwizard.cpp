#include "app/setupwizard.h"

#include "app/pagecontext.h"

#include <QWidget>

namespace korvane {

// Placeholder until the wizard lands.
SetupWizard::SetupWizard(QWidget* mainWindow, PageContext& context)
    : QObject(mainWindow), m_mainWindow(mainWindow), m_context(context) {}

void SetupWizard::enter() {}
void SetupWizard::next() {}
void SetupWizard::previous() {}
void SetupWizard::enterFromSetupPage() {}
void SetupWizard::leave() {
    m_context.restart();
}

} // namespace korvane
