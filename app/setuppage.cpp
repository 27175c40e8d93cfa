#include "app/setuppage.h"

#include "editors/period.h"
#include "editors/ui/grouppanel.h"
#include "editors/ui/periodform.h"
#include "editors/ui/shiftpage.h"
#include "editors/ui/staffpage.h"
#include "limits/ui/limitspage.h"
#include "targets/ui/targetspage.h"
#include "ui/controls.h"
#include "ui/pagecontext.h"
#include "ui/pageframe.h"
#include "ui/twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane {

namespace {

// An open page of type T among the main window's pages, if there is one.
template <typename T> T* findOpenPage(const QWidget* page) {
    for (T* candidate : page->window()->findChildren<T*>())
        if (!candidate->isHidden())
            return candidate;
    return nullptr;
}

QPushButton* makeButton(const char* name, const QString& caption, QWidget* parent) {
    QPushButton* button = namedButton(QLatin1String(name), caption, parent);
    button->setMinimumSize(twips(1935), twips(495));
    return button;
}

} // namespace

SetupPage::SetupPage(PageContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName(QStringLiteral("Formchushi"));
    setWindowTitle(QStringLiteral("初始设定"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_title = new QLabel(QStringLiteral("初始设定"), this);
    m_title->setObjectName(QStringLiteral("labelBanci"));
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(15);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_title->setAlignment(Qt::AlignCenter);

    m_setupButtons = new QGroupBox(this);
    m_setupButtons->setObjectName(QStringLiteral("Frame1"));
    m_staff = makeButton("Command1", QStringLiteral("值班人员设定"), m_setupButtons);
    m_dateRange = makeButton("btnDate1", QStringLiteral("日期范围设定"), m_setupButtons);
    m_shifts = makeButton("btnBanci", QStringLiteral("班次设定"), m_setupButtons);
    m_staffGroups = makeButton("btnRenyuanset", QStringLiteral("值班人员组设定"), m_setupButtons);
    m_dateGroups = makeButton("btnDateset", QStringLiteral("日期组设定"), m_setupButtons);
    m_shiftGroups = makeButton("btnBanciset", QStringLiteral("班次组设定"), m_setupButtons);
    // Beside the six, not one of them: it has no highlight and no wizard step.
    auto* limits = makeButton("btnLimits", QStringLiteral("人员限制与休假"), m_setupButtons);
    auto* targets = makeButton("btnTargets", QStringLiteral("排班目标与意愿"), m_setupButtons);
    auto* enterWizard = makeButton("Command5", QStringLiteral("进入设置向导"), m_setupButtons);
    m_sixButtons = {m_staff, m_dateRange, m_shifts, m_staffGroups, m_dateGroups, m_shiftGroups};

    auto* grid = new QGridLayout(m_setupButtons);
    grid->addWidget(m_staff, 0, 0);
    grid->addWidget(m_dateRange, 0, 1);
    grid->addWidget(m_shifts, 0, 2);
    grid->addWidget(m_staffGroups, 1, 0);
    grid->addWidget(m_dateGroups, 1, 1);
    grid->addWidget(m_shiftGroups, 1, 2);
    grid->addWidget(limits, 2, 0);
    grid->addWidget(targets, 2, 1);
    grid->addWidget(enterWizard, 0, 3, 2, 1);
    enterWizard->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);

    auto* scheduleButton = makeButton("btnOk", QStringLiteral("排班"), this);
    scheduleButton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);

    m_periodPanel = new QGroupBox(QStringLiteral("日期范围设定"), this);
    m_periodPanel->setObjectName(QStringLiteral("Frame4"));
    buildPeriodPanel();
    m_periodPanel->hide();

    m_wizardEnd = new QGroupBox(QStringLiteral("设置向导的最后一步"), this);
    m_wizardEnd->setObjectName(QStringLiteral("wizardEnd"));
    buildWizardEnd();
    m_wizardEnd->hide();

    m_groupPanel = new GroupPanel(context, this);

    // The button rows keep their height; the group panel takes the rest.
    auto* topRow = new QWidget(this);
    topRow->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    auto* top = new QHBoxLayout(topRow);
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(m_setupButtons, 1);
    top->addWidget(scheduleButton);
    m_periodPanel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    m_wizardEnd->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(topRow);
    layout->addWidget(m_wizardEnd);
    layout->addWidget(m_periodPanel);
    layout->addWidget(m_groupPanel, 1);
    layout->addStretch(0);

    connect(m_staff, &QPushButton::clicked, this, &SetupPage::staffSetting);
    connect(m_staffGroups, &QPushButton::clicked, this, &SetupPage::staffGroupSetting);
    connect(m_dateRange, &QPushButton::clicked, this, &SetupPage::dateRangeSetting);
    connect(m_dateGroups, &QPushButton::clicked, this, &SetupPage::dateGroupSetting);
    connect(m_shifts, &QPushButton::clicked, this, &SetupPage::shiftSetting);
    connect(m_shiftGroups, &QPushButton::clicked, this, &SetupPage::shiftGroupSetting);
    connect(limits, &QPushButton::clicked, this, &SetupPage::limitsSetting);
    connect(targets, &QPushButton::clicked, this, &SetupPage::targetsSetting);
    connect(enterWizard, &QPushButton::clicked, this, &SetupPage::enterWizardRequested);
    connect(scheduleButton, &QPushButton::clicked, this, &SetupPage::schedule);

    // Load: staff groups are the default kind; the group panels stay hidden
    // and 初始设置 is off while this page is open.
    m_context.state().group.groupKind = 1;
    m_groupPanel->hide();
    m_context.setSetupButtonEnabled(false);
    resize(twips(12000), twips(7500));
}

SetupPage::~SetupPage() = default;

QWidget* SetupPage::buildPeriodPanel() {
    m_periodText = new QLabel(m_periodPanel);
    m_periodText->setObjectName(QStringLiteral("Label1"));
    auto* change = new QPushButton(QStringLiteral("更改"), m_periodPanel);
    change->setObjectName(QStringLiteral("Command6"));
    auto* confirm = new QPushButton(QStringLiteral("确认"), m_periodPanel);
    confirm->setObjectName(QStringLiteral("Command7"));
    auto* layout = new QHBoxLayout(m_periodPanel);
    layout->addWidget(m_periodText, 1);
    layout->addWidget(change);
    layout->addWidget(confirm);
    connect(change, &QPushButton::clicked, this, &SetupPage::changePeriod);
    connect(confirm, &QPushButton::clicked, this, [this] {
        m_periodPanel->hide();
        emit periodConfirmed();
    });
    return m_periodPanel;
}

QWidget* SetupPage::buildWizardEnd() {
    auto* text = new QLabel(
        QStringLiteral(
            "设置好班次组后，可以接着设定人员限制与休假，或点击“结束设置”进入排班主界面。"),
        m_wizardEnd);
    text->setWordWrap(true);
    auto* limits = makeButton("wizardLimits", QStringLiteral("人员限制与休假"), m_wizardEnd);
    auto* finish = makeButton("wizardFinish", QStringLiteral("结束设置"), m_wizardEnd);
    auto* layout = new QHBoxLayout(m_wizardEnd);
    layout->addWidget(text, 1);
    layout->addWidget(limits);
    layout->addWidget(finish);
    connect(limits, &QPushButton::clicked, this, &SetupPage::limitsSetting);
    connect(finish, &QPushButton::clicked, this, &SetupPage::finishWizardRequested);
    return m_wizardEnd;
}

void SetupPage::showWizardEnd(bool shown) {
    if (shown == m_wizardEnd->isVisibleTo(this))
        return;
    m_wizardEnd->setVisible(shown);
    // The group panel below keeps its room.
    if (shown)
        growFrameBy(this, m_wizardEnd->sizeHint().height() + layout()->spacing());
}

QColor SetupPage::highlightColour() {
    return QColor(255, 192, 192); // &HC0C0FF
}

void SetupPage::setHighlighted(QPushButton* button, bool highlighted) {
    if (!button)
        return;
    if (highlighted) {
        QPalette palette = button->palette();
        palette.setColor(QPalette::Button, highlightColour());
        button->setPalette(palette);
    } else {
        // Back to the inherited button face.
        button->setPalette(QPalette());
    }
}

bool SetupPage::isHighlighted(const QPushButton* button) {
    return button && button->palette().color(QPalette::Button) == highlightColour();
}

void SetupPage::highlightOnly(QPushButton* button) {
    for (QPushButton* each : m_sixButtons)
        setHighlighted(each, each == button);
}

void SetupPage::staffSetting() {
    highlightOnly(m_staff);
    m_periodPanel->hide();
    openStaffEditor(m_context, this);
}

void SetupPage::openStaffEditor(PageContext& context, const QWidget* inWindow) {
    if (StaffPage* open = findOpenPage<StaffPage>(inWindow)) {
        context.showPage(open);
        // Shown again, it holds the bar as it did when it opened.
        open->holdBarWhileLimitSet();
        return;
    }
    context.showPage(new StaffPage(context));
}

void SetupPage::shiftSetting() {
    highlightOnly(m_shifts);
    m_periodPanel->hide();
    if (ShiftPage* open = findOpenPage<ShiftPage>(this))
        m_context.showPage(open);
    else
        m_context.showPage(new ShiftPage(m_context));
}

void SetupPage::limitsSetting() {
    m_periodPanel->hide();
    if (LimitsPage* open = findOpenPage<LimitsPage>(this)) {
        open->reload();
        m_context.showPage(open);
    } else {
        m_context.showPage(new LimitsPage(m_context));
    }
}

void SetupPage::targetsSetting() {
    m_periodPanel->hide();
    if (TargetsPage* open = findOpenPage<TargetsPage>(this)) {
        open->reload();
        m_context.showPage(open);
    } else {
        m_context.showPage(new TargetsPage(m_context));
    }
}

void SetupPage::openGroupKind(QPushButton* button, int kind) {
    highlightOnly(button);
    m_periodPanel->hide();
    m_groupPanel->openKind(kind);
    fitFrameToPage(this);
}

void SetupPage::staffGroupSetting() {
    openGroupKind(m_staffGroups, 1);
}

void SetupPage::dateGroupSetting() {
    openGroupKind(m_dateGroups, 2);
}

void SetupPage::shiftGroupSetting() {
    openGroupKind(m_shiftGroups, 3);
}

void SetupPage::refreshMembers() {
    m_groupPanel->refreshMembers();
}

void SetupPage::dateRangeSetting() {
    highlightOnly(m_dateRange);
    m_periodPanel->show();
    m_groupPanel->hide();
    bool ok = true;
    QString error;
    const auto range = period::current(m_context.database(), &ok, &error);
    m_periodText->setText(ok ? period::describe(range) : error);
    fitFrameToPage(this);
}

void SetupPage::changePeriod() {
    if (PeriodForm* open = findOpenPage<PeriodForm>(this)) {
        m_context.showPage(open);
        return;
    }
    auto* form = new PeriodForm(m_context);
    // The form shows the setup page again as it closes, a new one when this
    // one has been closed meanwhile: that page shows the new period.
    connect(form, &PeriodForm::periodSaved, form, [mainWindow = QPointer<QWidget>(window())] {
        if (!mainWindow)
            return;
        if (SetupPage* page = findOpenPage<SetupPage>(mainWindow))
            page->dateRangeSetting();
    });
    m_context.showPage(form);
}

void SetupPage::schedule() {
    m_context.setSetupButtonEnabled(true);
    m_context.setScheduleButtonEnabled(true);
    close();
    m_context.showSchedulingPage();
}

void SetupPage::closeEvent(QCloseEvent* event) {
    // 初始设置 is off only while this page is open.
    m_context.setSetupButtonEnabled(true);
    QWidget::closeEvent(event);
}

} // namespace korvane
