#pragma once

#include <QObject>

namespace korvane {

class ApplicationController;

// The tools menu: 导出数据库, 导入数据库, 清空数据库 and 载入样例数据库.
// A chosen file is checked before anything is closed; the working file is
// replaced only by the checked, atomic whole-file operations; every command
// that goes ahead ends with a restart, and a failure is reported once the
// main window is back.
class ToolsCommands : public QObject {
    Q_OBJECT
public:
    ToolsCommands(ApplicationController& controller, QWidget* window);

    void exportDatabase(); // dataout
    void importDatabase(); // datain
    void clearDatabase();  // qingkong
    void loadSample();     // yangli
    // 连接服务器…: asks the server's address and the ward (the last ones
    // offered, never a password), makes a missing ward from the template
    // when the user agrees, and restarts on the ward.
    void connectServer(); // lianjie
    // 新建病区…: asks the server (the one in use first), the new ward's name and
    // whether it starts from the sample or the empty template, makes it and
    // restarts on it. A name already taken is refused before anything is made.
    void newWard(); // xinbingqu
    // 全院总表: the overview of a month over every ward of the server.
    void showOverview(); // zongbiao

private:
    // Makes the ward at location a copy of the file source; false (said) when it cannot.
    bool makeWard(const QString& location, const QString& source);
    // Remembers the server and ward for next time and restarts the window on the ward.
    void switchToWard(const QString& url, const QString& ward);
    // Asks the confirmation, checks source, then replaces the working file with it.
    void replaceWith(const QString& source);

    ApplicationController& m_controller;
    QWidget* m_window;
};

} // namespace korvane
