#include "editors/ui/periodform.h"

#include "editors/period.h"
#include "ui/controls.h"
#include "ui/pagecontext.h"
#include "ui/twips.h"

#include <QCloseEvent>
#include <QDate>
#include <QDateEdit>
#include <QFormLayout>
#include <QPushButton>

namespace korvane {

PeriodForm::PeriodForm(PageContext& context, QWidget* parent)
    : QWidget(parent), m_context(context) {
    setObjectName(QStringLiteral("riqi"));
    setWindowTitle(QStringLiteral("日期范围设定"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_start = makePicker("DTPicker1", this);
    m_end = makePicker("DTPicker2", this);
    // The stored period is what the planner comes to change.
    if (const auto stored = period::current(context.database())) {
        m_start->setDate(QDate::fromString(stored->first, Qt::ISODate));
        m_end->setDate(QDate::fromString(stored->last, Qt::ISODate));
    }
    auto* ok = new QPushButton(QStringLiteral("保存退出"), this);
    ok->setObjectName(QStringLiteral("btnOK"));

    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("请修改开始日期："), m_start);
    layout->addRow(QStringLiteral("请修改结束日期："), m_end);
    layout->addRow(ok);
    connect(ok, &QPushButton::clicked, this, &PeriodForm::save);
    resize(twips(5000), twips(2400));
}

void PeriodForm::save() {
    if (!period::save(m_context.database(), m_start->date(), m_end->date(), m_context.prompt()))
        return;
    m_saved = true;
    close();
}

void PeriodForm::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    m_context.showSetupPage();
    if (m_saved)
        emit periodSaved();
}

} // namespace korvane
