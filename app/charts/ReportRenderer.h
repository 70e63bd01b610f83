// Laying a filled report out on pages and painting them, for the print
// preview, the printer and PDF files alike. Needs Qt GUI, no widgets.
#pragma once

#include "charts/ReportBuilder.h"

#include <QString>

class QPagedPaintDevice;

// Paints the report on the device's pages, starting on the current one: the
// page header at the top and the page footer at the bottom of every page, the
// body flowing between them, a table's <thead> rows repeated on each page it
// spans, and every page field filled with its page's number and the page
// count. Returns the number of pages painted; 0 when the device cannot be
// painted on.
int RenderReport(const ExpandedReport& report, QPagedPaintDevice& device);

// Writes the report as a PDF file on A4 pages. False when the file cannot be
// written.
bool WriteReportPdf(const ExpandedReport& report, const QString& path);
