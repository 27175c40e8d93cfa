#include "ui/rosterpreview.h"

#include "engine/report/rosterreport.h"
#include "store/messages.h"
#include "ui/pagecontext.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QToolBar>
#include <QWidget>

namespace korvane {

namespace {

const QString kReportTitle = QStringLiteral("值班报表");
const QString kExportPdf = QStringLiteral("导出PDF");
const QString kPdfSuffix = QStringLiteral(".pdf");
const QString kPdfFilter = QStringLiteral("PDF (*.pdf)");

} // namespace

void showRosterReport(PageContext& context, QWidget* parent, QSqlDatabase db, const QString& query,
                      double rowHeightFactor, const QString& asked) {
    QString error;
    QList<report::RosterLine> lines;
    if (!report::loadRosterLines(db, query, &lines, &error)) {
        context.prompt().information(error);
        return;
    }
    if (lines.isEmpty())
        return;
    const double factor = rowHeightFactor;
    const report::RosterHeading heading = report::rosterHeading(db, asked);

    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter));
    printer.setDocName(kReportTitle);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("rp_paiban1"));
    preview.setWindowTitle(kReportTitle);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&lines, factor, &heading](QPrinter* target) {
                         report::paintRoster(*target, target->resolution(), lines, factor, heading);
                     });
    if (auto* toolBar = preview.findChild<QToolBar*>()) {
        QAction* exportPdf = toolBar->addAction(kExportPdf);
        exportPdf->setObjectName(QStringLiteral("exportPdf"));
        QObject::connect(exportPdf, &QAction::triggered, &preview, [&] {
            // Proposed in the data folder in use, beside the working database.
            const QString path =
                chooseFileToWrite(context.fileChooser(), &preview, context.dataFolder(),
                                  kReportTitle, kPdfSuffix, kPdfFilter);
            if (path.isEmpty())
                return;
            QString writeError;
            if (report::writeRosterPdf(db, query, factor, asked, path, &writeError))
                context.prompt().information(msg::pdfWritten.arg(
                    QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())));
            else
                context.prompt().information(writeError);
        });
    }
    // As large as designed where the screen has room for it.
    preview.resize(QSize(900, 700).boundedTo(parent->screen()->availableGeometry().size()));
    preview.exec();
}

} // namespace korvane
