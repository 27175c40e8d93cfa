#include "app/setupwizard.h"

#include "app/setuppage.h"
#include "ui/pagecontext.h"
#include "ui/pageframe.h"

#include <QMdiSubWindow>
#include <QPushButton>
#include <limits>

namespace korvane {

namespace {

bool insidePage(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (qobject_cast<const QMdiSubWindow*>(w))
            return true;
    }
    return false;
}

} // namespace

SetupWizard::SetupWizard(QWidget* mainWindow, PageContext& context)
    : QObject(mainWindow), m_mainWindow(mainWindow), m_context(context) {}

QPushButton* SetupWizard::barButton(const char* objectName) const {
    for (QPushButton* button :
         m_mainWindow->findChildren<QPushButton*>(QLatin1String(objectName))) {
        if (!insidePage(button))
            return button;
    }
    return nullptr;
}

void SetupWizard::setBarButtonEnabled(const char* objectName, bool enabled) const {
    if (QPushButton* button = barButton(objectName))
        button->setEnabled(enabled);
}

void SetupWizard::setBarButtonVisible(const char* objectName, bool visible) const {
    if (QPushButton* button = barButton(objectName))
        button->setVisible(visible);
}

SetupPage* SetupWizard::openSetupPage() const {
    for (SetupPage* page : m_mainWindow->findChildren<SetupPage*>(QStringLiteral("Formchushi"))) {
        if (page->isVisibleTo(m_mainWindow))
            return page;
    }
    return nullptr;
}

SetupPage* SetupWizard::setupPage() const {
    if (SetupPage* page = openSetupPage())
        return page;
    // A closed page is opened again when the wizard needs it.
    m_context.showSetupPage();
    return openSetupPage();
}

bool SetupWizard::running() const {
    const QPushButton* next = barButton("Command3");
    return next && next->isVisibleTo(m_mainWindow);
}

void SetupWizard::presentStep() const {
    const qint16 step = m_context.state().wizardStep;
    if (SetupPage* page = openSetupPage())
        page->showWizardEnd(step == 6);
    const char* name = step == 1 ? "baseinfo" : step == 5 ? "frmBanciset" : "Formchushi";
    for (QWidget* page : m_mainWindow->findChildren<QWidget*>(QLatin1String(name))) {
        if (!page->isVisibleTo(m_mainWindow))
            continue;
        m_context.showPage(page); // on top of the step before
        centreInWorkspace(page);
        break;
    }
}

void SetupWizard::closePage(const char* objectName) const {
    for (QWidget* page : m_mainWindow->findChildren<QWidget*>(QLatin1String(objectName))) {
        if (!page->isVisibleTo(m_mainWindow))
            continue;
        // A page that closes takes its child window with it.
        page->close();
    }
}

void SetupWizard::highlightSetupButton(const char* highlighted,
                                       std::initializer_list<const char*> face) const {
    SetupPage* page = setupPage();
    if (!page)
        return;
    SetupPage::setHighlighted(page->findChild<QPushButton*>(QLatin1String(highlighted)), true);
    for (const char* name : face)
        SetupPage::setHighlighted(page->findChild<QPushButton*>(QLatin1String(name)), false);
}

qint16 SetupWizard::stepBy(int delta) {
    // The buttons keep the step inside 1 to 6; the counter never wraps.
    qint16& step = m_context.state().wizardStep;
    const int changed = step + delta;
    if (changed >= std::numeric_limits<qint16>::min() &&
        changed <= std::numeric_limits<qint16>::max())
        step = static_cast<qint16>(changed);
    return step;
}

void SetupWizard::enter() {
    if (SetupPage* page = setupPage())
        page->staffSetting();
    setBarButtonEnabled("Command5", false);
    for (const char* name : {"Command11", "Command2", "Command3", "Command5"})
        setBarButtonVisible(name, true);
    setBarButtonVisible("Command6", false);
    m_context.state().wizardStep = 1;
    presentStep();
}

void SetupWizard::enterFromSetupPage() {
    for (const char* name : {"Command2", "Command3", "Command5"})
        setBarButtonVisible(name, true);
    if (SetupPage* page = setupPage()) {
        if (auto* panel = page->findChild<QWidget*>(QStringLiteral("Frame1")))
            panel->hide();
        page->close();
    }
    // Opened after the page has closed, so the bar ends as the staff editor
    // leaves it (初始设置 off while 班数限制 holds a row).
    SetupPage::openStaffEditor(m_context, m_mainWindow);
    setBarButtonEnabled("Command5", false);
    m_context.state().wizardStep = 1;
    presentStep();
}

void SetupWizard::confirmPeriod() {
    if (running() && m_context.state().wizardStep == 3 && barButton("Command3")->isEnabled())
        next();
}

void SetupWizard::finish() {
    for (const char* name : {"Command5", "Command11", "Command3"}) {
        setBarButtonVisible(name, false);
        setBarButtonEnabled(name, true);
    }
    setBarButtonVisible("Command6", true);
    if (SetupPage* page = openSetupPage()) {
        page->showWizardEnd(false);
        page->schedule();
    } else {
        m_context.showSchedulingPage();
    }
}

void SetupWizard::next() {
    switch (stepBy(+1)) {
    case 2:
        closePage("baseinfo");
        if (SetupPage* page = setupPage()) {
            page->staffGroupSetting();
            if (auto* panel = page->findChild<QWidget*>(QStringLiteral("Frame1")))
                panel->setEnabled(false);
        }
        setBarButtonEnabled("Command5", true);
        highlightSetupButton("btnRenyuanset", {"btnDate1", "btnDateset", "btnBanciset"});
        break;
    case 3:
        if (SetupPage* page = setupPage())
            page->dateRangeSetting();
        highlightSetupButton("btnDate1", {"btnRenyuanset", "btnDateset", "btnBanciset"});
        break;
    case 4:
        if (SetupPage* page = setupPage())
            page->dateGroupSetting();
        break;
    case 5:
        if (SetupPage* page = setupPage())
            page->shiftSetting();
        break;
    case 6:
        closePage("frmBanciset");
        if (SetupPage* page = setupPage())
            page->shiftGroupSetting();
        setBarButtonEnabled("Command3", false);
        break;
    default:
        return; // outside the six steps: only the counter changes
    }
    presentStep();
}

void SetupWizard::previous() {
    switch (stepBy(-1)) {
    case 1:
        if (SetupPage* page = setupPage())
            page->staffSetting();
        setBarButtonEnabled("Command5", false);
        break;
    case 2:
        if (SetupPage* page = setupPage())
            page->staffGroupSetting();
        setBarButtonEnabled("Command5", true);
        break;
    case 3:
        if (SetupPage* page = setupPage())
            page->dateRangeSetting();
        break;
    case 4:
        closePage("frmBanciset");
        if (SetupPage* page = setupPage())
            page->dateGroupSetting();
        break;
    case 5:
        if (SetupPage* page = setupPage())
            page->shiftSetting();
        setBarButtonEnabled("Command3", true);
        break;
    default:
        return;
    }
    presentStep();
}

void SetupWizard::leave() {
    m_context.restart();
}

} // namespace korvane
