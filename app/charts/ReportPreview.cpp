#include "charts/ReportPreview.h"

#include "charts/ReportRenderer.h"
#include "document/Messages.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QToolBar>

TReportPreview::TReportPreview(ExpandedReport report, QWidget* parent)
    : QPrintPreviewDialog(parent), report_(std::move(report)) {
    setObjectName("ReportPreview");
    setWindowTitle(QString::fromUtf8("Отчет"));
    printer()->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(18, 12, 12, 12), QPageLayout::Millimeter));
    connect(this, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { RenderReport(report_, *printer); });

    SavePdfItem = new QAction(QString::fromUtf8("Сохранить в PDF"), this);
    SavePdfItem->setObjectName("SavePdfItem");
    connect(SavePdfItem, &QAction::triggered, this, [this] { SavePdfItemClick(); });
    if (auto* toolbar = findChild<QToolBar*>()) {
        toolbar->addSeparator();
        toolbar->addAction(SavePdfItem);
    }
    if (auto* preview = findChild<QPrintPreviewWidget*>())
        preview->fitToWidth();
}

void TReportPreview::SavePdfItemClick() {
    QString path = QFileDialog::getSaveFileName(this, QString::fromUtf8("Сохранить в PDF"),
                                                QString(), QString::fromUtf8("Файлы PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += ".pdf";
    SavePdf(path);
}

bool TReportPreview::SavePdf(const QString& path) {
    if (WriteReportPdf(report_, path))
        return true;
    ShowError("Не удалось открыть файл на запись");
    return false;
}
