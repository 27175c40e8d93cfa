#pragma once

#include <QObject>
#include <initializer_list>

class QPushButton;
class QWidget;

namespace korvane {

class PageContext;
class SetupPage;

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
    // 确认 of the date-range panel: at the date-range step the wizard goes on.
    void confirmPeriod();
    // 结束设置 of the last step: the bar back as a fresh window has it, then
    // the scheduling page, as the setup page's 排班 opens it.
    void finish();

private:
    // A button of the main window's bar (not one of a page's buttons that
    // happens to carry the same object name).
    QPushButton* barButton(const char* objectName) const;
    void setBarButtonEnabled(const char* objectName, bool enabled) const;
    void setBarButtonVisible(const char* objectName, bool visible) const;
    // The open setup page; opened again when it has been closed.
    SetupPage* setupPage() const;
    SetupPage* openSetupPage() const; // null when it is not open
    // True while the bar shows the wizard's 下一步>>.
    bool running() const;
    // After a step's operation: the step's page on top, centred in the
    // workspace, and the last step's way on shown at step 6 only.
    void presentStep() const;
    // Closes the page of that object name (staff editor, shift editor) if open.
    void closePage(const char* objectName) const;
    // After a step's operation: one of the setup page's buttons highlighted,
    // the others given the button face.
    void highlightSetupButton(const char* highlighted,
                              std::initializer_list<const char*> face) const;
    // wizardStep changed by delta, kept inside the 16-bit range.
    qint16 stepBy(int delta);

    QWidget* m_mainWindow;
    PageContext& m_context;
};

} // namespace korvane
