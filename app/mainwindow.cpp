#include "app/mainwindow.h"

#include "app/applicationcontroller.h"
#include "app/helpwindow.h"
#include "app/setuppage.h"
#include "app/setupwizard.h"
#include "app/toolscommands.h"
#include "engine/ui/schedulingpage.h"
#include "monthsheet/ui/monthsheetpage.h"
#include "rosters/ui/savedrosterpage.h"
#include "score/ui/scoretab.h"
#include "search/improve.h"
#include "search/ui/improvewindow.h"
#include "store/datafiles.h"
#include "store/messages.h"
#include "store/server.h"
#include "ui/twips.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <utility>

namespace korvane {

namespace {

const QString kCaption = QStringLiteral("Korvane3.2");
const QSize kDesignedSize(1100, 760);
// What a desktop adds around a window (frame and title bar), which the
// window cannot measure before it is shown.
const QSize kFrameAllowance(16, 40);

// One button of the bar: position and size in twips, the designed font.
struct BarButton {
    const char* name;
    QString caption;
    int left;
    int width;
    int height;
    bool wizard; // 楷体_GB2312 on light green; otherwise 宋体
    bool shown;
};

QFont barFont(bool wizard) {
    QFont font(wizard ? QStringLiteral("楷体_GB2312") : QStringLiteral("宋体"));
    font.setPointSizeF(10.5);
    font.setBold(true);
    return font;
}

bool isOpen(const QWidget* page) {
    return page && !page->isHidden();
}

} // namespace

MainWindow::MainWindow(ApplicationController& controller, std::unique_ptr<Connection> connection,
                       std::unique_ptr<files::DatabaseLock> useLock)
    : m_controller(controller), m_connection(std::move(connection)), m_useLock(std::move(useLock)) {
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(kCaption);
    m_databasePath = m_connection ? m_connection->path() : QString();
    if (m_connection && m_connection->onServer())
        listenToOthers();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QWidget(central);
    bar->setObjectName(QStringLiteral("Picture1"));
    bar->setFixedHeight(twips(615));
    buildButtonBar(bar);
    layout->addWidget(bar);
    m_area = new QMdiArea(central);
    m_area->setObjectName(QStringLiteral("workspace"));
    // A page larger than the room the window leaves it scrolls with the workspace.
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(m_area, 1);
    setCentralWidget(central);

    m_wizard = new SetupWizard(this, *this);
    connect(m_enterWizard, &QPushButton::clicked, m_wizard, &SetupWizard::enter);
    connect(m_next, &QPushButton::clicked, m_wizard, &SetupWizard::next);
    connect(m_previous, &QPushButton::clicked, m_wizard, &SetupWizard::previous);
    connect(m_leaveWizard, &QPushButton::clicked, m_wizard, &SetupWizard::leave);

    m_tools = new ToolsCommands(m_controller, this);
    buildMenus();
    fitToScreen();
}

void MainWindow::fitToScreen() {
    // The designed size where the screen has room for it; on a smaller one
    // the whole window, frame included, on the screen it opens on.
    const QRect room = screen()->availableGeometry();
    const QSize size = kDesignedSize.boundedTo(room.size() - kFrameAllowance);
    resize(size);
    const QSize outer = size + kFrameAllowance;
    move(room.x() + qMax(0, (room.width() - outer.width()) / 2),
         room.y() + qMax(0, (room.height() - outer.height()) / 2));
}

MainWindow::~MainWindow() {
    // Pages hold queries on the connection: they go first.
    discardAllPages();
    releaseDatabase();
}

void MainWindow::buildButtonBar(QWidget* bar) {
    const QList<BarButton> buttons = {
        {"cssd", QStringLiteral("初始设置"), 0, 1935, 615, false, true},
        {"Command4", QStringLiteral("排班"), 1920, 1935, 615, false, true},
        {"Command2", QStringLiteral("退出系统"), 3840, 1935, 615, false, true},
        {"Command6", QStringLiteral("进入设置向导"), 8040, 1575, 495, true, true},
        {"Command5", QStringLiteral("上一步<<"), 8040, 1695, 495, true, false},
        {"Command11", QStringLiteral("退出向导"), 9720, 1695, 495, true, false},
        {"Command3", QStringLiteral("下一步>>"), 11400, 1575, 495, true, false},
    };
    QList<QPushButton*> made;
    for (const BarButton& def : buttons) {
        auto* button = new QPushButton(def.caption, bar);
        button->setObjectName(QLatin1String(def.name));
        button->setGeometry(twips(def.left), 0, twips(def.width), twips(def.height));
        button->setFont(barFont(def.wizard));
        if (def.wizard) {
            QPalette palette = button->palette();
            palette.setColor(QPalette::Button, QColor(128, 255, 128));
            button->setPalette(palette);
        }
        button->setVisible(def.shown);
        made << button;
    }
    m_setupButton = made[0];
    m_scheduleButton = made[1];
    m_exitButton = made[2];
    m_enterWizard = made[3];
    m_previous = made[4];
    m_leaveWizard = made[5];
    m_next = made[6];

    connect(m_setupButton, &QPushButton::clicked, this,
            [this] { openFromBar(&MainWindow::showSetupPage); });
    connect(m_scheduleButton, &QPushButton::clicked, this,
            [this] { openFromBar(&MainWindow::showSchedulingPage); });
    connect(m_exitButton, &QPushButton::clicked, this, [this] { m_controller.exitProgram(); });
}

void MainWindow::buildMenus() {
    m_toolsMenu = menuBar()->addMenu(QStringLiteral("工具"));
    m_toolsMenu->setObjectName(QStringLiteral("tools"));
    auto addItem = [this](QMenu* menu, const char* name, const QString& caption) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    connect(addItem(m_toolsMenu, "dataout", QStringLiteral("导出数据库")), &QAction::triggered,
            m_tools, &ToolsCommands::exportDatabase);
    connect(addItem(m_toolsMenu, "datain", QStringLiteral("导入数据库")), &QAction::triggered,
            m_tools, &ToolsCommands::importDatabase);
    connect(addItem(m_toolsMenu, "qingkong", QStringLiteral("清空数据库")), &QAction::triggered,
            m_tools, &ToolsCommands::clearDatabase);
    connect(addItem(m_toolsMenu, "yangli", QStringLiteral("载入样例数据库（医院值班）")),
            &QAction::triggered, m_tools, &ToolsCommands::loadSample);
    connect(addItem(m_toolsMenu, "lianjie", QStringLiteral("连接服务器…")), &QAction::triggered,
            m_tools, &ToolsCommands::connectServer);
    connect(addItem(m_toolsMenu, "xinbingqu", QStringLiteral("新建病区…")), &QAction::triggered,
            m_tools, &ToolsCommands::newWard);
    connect(addItem(m_toolsMenu, "zongbiao", QStringLiteral("全院总表")), &QAction::triggered,
            m_tools, &ToolsCommands::showOverview);

    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助"));
    help->setObjectName(QStringLiteral("help"));
    connect(addItem(help, "bzsm", QStringLiteral("帮助说明")), &QAction::triggered, this,
            &MainWindow::showHelp);
    connect(addItem(help, "downloadnew", QStringLiteral("新版本下载")), &QAction::triggered, this,
            &MainWindow::openIntroductionPage);
    connect(addItem(help, "zxsm", QStringLiteral("在线说明")), &QAction::triggered, this,
            &MainWindow::openIntroductionPage);
}

// The server tells of every change another program commits on the ward (a
// trigger of each table); the open pages then read again what changed, as
// when they are activated. Without it they still do that when activated.
void MainWindow::listenToOthers() {
    QSqlDriver* driver = m_connection->db().driver();
    if (!driver || !driver->subscribeToNotification(QStringLiteral("korvane")))
        return;
    const QString ward = server::wardOf(m_connection->path());
    connect(driver, &QSqlDriver::notification, this,
            [this, ward](const QString&, QSqlDriver::NotificationSource source,
                         const QVariant& payload) {
                if (source == QSqlDriver::SelfSource || payload.toString() != ward)
                    return;
                for (QWidget* page : openPages())
                    QCoreApplication::postEvent(page, new QEvent(othersChangedEvent()));
            });
}

QSqlDatabase MainWindow::database() {
    return m_connection ? m_connection->db() : QSqlDatabase();
}

QString MainWindow::databasePath() const {
    return m_databasePath;
}

QString MainWindow::dataFolder() const {
    return server::isLocation(m_databasePath) ? m_controller.dataDirectory()
                                              : QFileInfo(m_databasePath).absolutePath();
}

Prompt& MainWindow::prompt() {
    return m_controller.prompt();
}

FileChooser& MainWindow::fileChooser() {
    return m_controller.fileChooser();
}

ProgramState& MainWindow::state() {
    return m_controller.state();
}

void MainWindow::setBarButtonEnabled(QPushButton* button, bool enabled) {
    // While the data commands are held, the change is what they come back to.
    if (m_heldButtons.contains(button))
        m_heldButtons[button] = enabled;
    else
        button->setEnabled(enabled);
}

void MainWindow::setSetupButtonEnabled(bool enabled) {
    setBarButtonEnabled(m_setupButton, enabled);
}

void MainWindow::setScheduleButtonEnabled(bool enabled) {
    setBarButtonEnabled(m_scheduleButton, enabled);
}

bool MainWindow::setDataCommandsEnabled(bool enabled) {
    const QList<QPushButton*> buttons = {m_setupButton, m_scheduleButton, m_exitButton,
                                         m_enterWizard, m_previous,       m_leaveWizard,
                                         m_next};
    if (!enabled && m_heldButtons.isEmpty()) {
        for (QPushButton* button : buttons) {
            m_heldButtons.insert(button, button->isEnabled());
            button->setEnabled(false);
        }
    } else if (enabled && !m_heldButtons.isEmpty()) {
        // Each button comes back as it was (the wizard's 上一步 stays off at step 1).
        const QHash<QPushButton*, bool> held = std::exchange(m_heldButtons, {});
        for (auto it = held.begin(); it != held.end(); ++it)
            it.key()->setEnabled(it.value());
    }
    m_toolsMenu->setEnabled(enabled);
    // During a run nothing in the window writes to the file: the pages left
    // open beside the scheduling page are disabled, and the window's
    // connection refuses any write outright.
    for (QMdiSubWindow* window : m_area->subWindowList()) {
        QWidget* page = window->widget();
        if (page && page != m_schedulingPage && !qobject_cast<HelpWindow*>(page))
            page->setEnabled(enabled);
    }
    return !m_connection || m_connection->refuseWrites(!enabled);
}

void MainWindow::openFromBar(void (MainWindow::*show)()) {
    QDir::setCurrent(files::programDirectory());
    closeMostRecentPage();
    (this->*show)();
}

void MainWindow::closeMostRecentPage() {
    const QList<QWidget*> pages = openPages();
    if (pages.isEmpty())
        return;
    QWidget* page = pages.last();
    if (QMdiSubWindow* window = subWindowOf(page))
        window->close();
    else
        page->close();
}

void MainWindow::showSetupPage() {
    if (m_takingDown)
        return;
    if (isOpen(m_setupPage)) {
        showPage(m_setupPage);
        return;
    }
    m_setupPage = new SetupPage(*this);
    connect(m_setupPage, &SetupPage::enterWizardRequested, m_wizard,
            &SetupWizard::enterFromSetupPage);
    connect(m_setupPage, &SetupPage::periodConfirmed, m_wizard, &SetupWizard::confirmPeriod);
    connect(m_setupPage, &SetupPage::finishWizardRequested, m_wizard, &SetupWizard::finish);
    showPage(m_setupPage);
}

void MainWindow::showSchedulingPage() {
    if (m_takingDown)
        return;
    if (isOpen(m_schedulingPage)) {
        showPage(m_schedulingPage);
        return;
    }
    m_schedulingPage = new SchedulingPage(*this);
    showPage(m_schedulingPage);
}

void MainWindow::showImproveWindow(const QString& savedName) {
    showPage(new ImproveWindow(*this, savedName));
}

QStringList MainWindow::scoreComparison(qint64 roster) {
    QSqlDatabase db = database();
    QStringList lines;
    QString error;
    if (!search::keptComparison(db, roster, &lines, &error))
        return {error};
    return lines;
}

void MainWindow::showSavedRoster(qint64 roster, bool scoreTab) {
    auto* page = new SavedRosterPage(*this, roster);
    if (!page->hasRoster()) {
        delete page;
        return;
    }
    page->setAttribute(Qt::WA_DeleteOnClose);
    showPage(page);
    if (!scoreTab)
        return;
    if (MonthSheetPage* sheet = page->sheetPage(); sheet && sheet->scoreTab())
        for (QWidget* up = sheet->scoreTab()->parentWidget(); up; up = up->parentWidget())
            if (auto* tabs = qobject_cast<QTabWidget*>(up)) {
                tabs->setCurrentWidget(sheet->scoreTab());
                break;
            }
}

void MainWindow::showPage(QWidget* page) {
    if (!page)
        return;
    if (m_takingDown) {
        // Nothing opens in a window that is going away.
        if (!subWindowOf(page))
            page->deleteLater();
        return;
    }
    if (QMdiSubWindow* existing = subWindowOf(page)) {
        existing->show();
        page->show();
        existing->raise();
        m_area->setActiveSubWindow(existing);
        return;
    }
    page->setAttribute(Qt::WA_DeleteOnClose);
    // The size the page asked for; the frame would otherwise shrink it to its hint.
    const QSize wanted = page->testAttribute(Qt::WA_Resized) ? page->size() : QSize();
    QMdiSubWindow* window = m_area->addSubWindow(page);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowIcon(QIcon());
    // A page that closes itself takes its frame with it.
    QPointer<QMdiSubWindow> frame(window);
    connect(page, &QObject::destroyed, this, [frame] {
        if (frame)
            frame->close();
    });
    m_pages << page;
    window->show();
    page->show();
    // The size the page asked for where the workspace has room for it; a page
    // that needs more than the room scrolls with the workspace.
    const QSize room = m_area->viewport()->size();
    if (wanted.isValid())
        window->resize((wanted + window->size() - page->size())
                           .boundedTo(room)
                           .expandedTo(window->minimumSizeHint()));
    // Keep the whole page inside the workspace where it fits.
    window->move(qBound(0, window->x(), qMax(0, room.width() - window->width())),
                 qBound(0, window->y(), qMax(0, room.height() - window->height())));
    m_area->setActiveSubWindow(window);
}

QMdiSubWindow* MainWindow::subWindowOf(QWidget* page) const {
    if (!page)
        return nullptr;
    for (QMdiSubWindow* window : m_area->subWindowList())
        if (window->widget() == page)
            return window;
    return nullptr;
}

QList<QWidget*> MainWindow::openPages() const {
    QList<QWidget*> pages;
    for (const QPointer<QWidget>& page : m_pages)
        if (isOpen(page))
            pages << page.data();
    return pages;
}

SetupPage* MainWindow::setupPage() const {
    return isOpen(m_setupPage) ? m_setupPage.data() : nullptr;
}

SchedulingPage* MainWindow::schedulingPage() const {
    return m_schedulingPage.data();
}

void MainWindow::restart() {
    m_controller.restart();
}

void MainWindow::showHelp() {
    if (isOpen(m_help)) {
        showPage(m_help);
        return;
    }
    m_help = new HelpWindow;
    m_help->placeText(size());
    showPage(m_help);
    if (QMdiSubWindow* window = subWindowOf(m_help))
        window->move(0, 0);
}

void MainWindow::openIntroductionPage() {
    const QString page = QDir(files::programDirectory()).filePath(QStringLiteral("intro.html"));
    if (!m_controller.openUrl(QUrl::fromLocalFile(page)))
        prompt().information(msg::noBrowser.arg(QDir::toNativeSeparators(page)));
}

void MainWindow::commitPendingEdits() {
    for (QAbstractItemView* view : m_area->findChildren<QAbstractItemView*>()) {
        // An open editor lives on the viewport; commitData is the view's own
        // slot that writes an editor's value into the model (a no-op for
        // anything that is not an editor).
        for (QWidget* editor : view->viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (editor->isVisible())
                QMetaObject::invokeMethod(view, "commitData", Q_ARG(QWidget*, editor));
        if (QAbstractItemModel* model = view->model()) {
            model->submit();
            if (auto* table = qobject_cast<QSqlTableModel*>(model); table && table->isDirty())
                table->submitAll();
        }
    }
}

void MainWindow::stopRunningGeneration() {
    if (m_schedulingPage && m_schedulingPage->runInProgress())
        m_schedulingPage->stopRun();
}

void MainWindow::closeAllPages() {
    m_takingDown = true;
    stopRunningGeneration();
    commitPendingEdits();
    m_area->closeAllSubWindows();
    discardAllPages();
}

void MainWindow::discardAllPages() {
    if (!m_area)
        return;
    m_takingDown = true;
    const QList<QMdiSubWindow*> windows = m_area->subWindowList();
    for (QMdiSubWindow* window : windows) {
        if (QWidget* page = window->widget())
            disconnect(page, &QObject::destroyed, this, nullptr);
        delete window;
    }
    // A page closed before may still wait for its deferred deletion; its
    // queries hold the window's connection, which must be the last to go.
    for (const QPointer<QWidget>& page : std::exchange(m_pages, {})) {
        if (page) {
            disconnect(page, &QObject::destroyed, this, nullptr);
            delete page.data();
        }
    }
}

void MainWindow::releaseDatabase() {
    m_connection.reset();
    m_useLock.reset();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_closingForRestart) {
        event->accept();
        return;
    }
    // Closing by the frame: every page runs its own closing steps, and the
    // program ends normally once this, the last window, is gone.
    m_takingDown = true;
    stopRunningGeneration();
    commitPendingEdits();
    m_area->closeAllSubWindows();
    event->accept();
}

} // namespace korvane
