#pragma once

#include <QObject>

class QWidget;

namespace korvane {

class PageContext;

// The setup wizard: six steps through the setup page, driven by wizardStep.
// Finds the bar buttons (Command2, Command3, Command5, Command6, Command11)
// and the setup page by object name under the main window.
class SetupWizard : public QObject {
    Q_OBJECT
public:
    SetupWizard(QWidget* mainWindow, PageContext& context);
    void enter();    // Command6 进入设置向导
    void next();     // Command3 下一步>>
    void previous(); // Command5 上一步<<
    void leave();    // Command11 退出向导
    // The setup page's own 进入设置向导 button (Command5 of Formchushi).
    void enterFromSetupPage();

private:
    QWidget* m_mainWindow;
    PageContext& m_context;
};

} // namespace korvane
