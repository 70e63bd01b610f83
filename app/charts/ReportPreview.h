// The report preview: the filled report on its pages, opened at page width,
// with printing and "Сохранить в PDF".
#pragma once

#include "charts/ReportBuilder.h"

#include <QPrintPreviewDialog>

class QAction;

class TReportPreview : public QPrintPreviewDialog {
    Q_OBJECT
public:
    explicit TReportPreview(ExpandedReport report, QWidget* parent = nullptr);

    // "Сохранить в PDF": asks for a file and writes the report there.
    void SavePdfItemClick();
    // Writes the report as a PDF file; shows "Не удалось открыть файл на
    // запись" when it cannot be written.
    bool SavePdf(const QString& path);

    QAction* SavePdfItem = nullptr;

private:
    ExpandedReport report_;
};
