#include "charts/ReportRenderer.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <memory>

namespace {

// Room between the body and the page header or footer.
constexpr double kSectionGapMm = 4.0;
// Margins of a PDF page.
constexpr QMarginsF kPdfMarginsMm(18, 12, 12, 12);
// PDF resolution: fine enough for hairlines, small enough for sane numbers.
constexpr int kPdfResolution = 600;

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A text document laid out for the device: its fonts and pixel lengths are
// measured in the device's own resolution.
std::unique_ptr<QTextDocument> MakeDocument(const QString& html, const ExpandedReport& report,
                                            QPagedPaintDevice& device) {
    auto doc = std::make_unique<QTextDocument>();
    doc->documentLayout()->setPaintDevice(&device);
    doc->setDocumentMargin(0);
    doc->setDefaultStyleSheet(FromUtf8(report.StyleSheet));
    doc->setHtml(html);
    doc->setTextWidth(device.width());
    return doc;
}

std::unique_ptr<QTextDocument> MakeSection(const std::string& html, PageNumbers pages,
                                           const ExpandedReport& report,
                                           QPagedPaintDevice& device) {
    if (html.empty())
        return nullptr;
    return MakeDocument(FromUtf8(FillPageFields(html, pages)), report, device);
}

double HeightOf(const std::unique_ptr<QTextDocument>& doc) {
    return doc ? doc->size().height() : 0.0;
}

// Replaces the page marks of the laid-out body by the number of the page each
// falls on and the page count.
void FillBodyPageFields(QTextDocument& body, double pageHeight, int pages) {
    const QRegularExpression mark(FromUtf8(kPageMarkOpen) + "[^" + FromUtf8(kPageMarkClose) + "]*" +
                                  FromUtf8(kPageMarkClose));
    QAbstractTextDocumentLayout* layout = body.documentLayout();
    QTextCursor cursor = body.find(mark);
    while (!cursor.isNull()) {
        const QTextBlock block = cursor.block();
        const QTextLine line =
            block.layout()->lineForTextPosition(cursor.selectionStart() - block.position());
        const double y = layout->blockBoundingRect(block).top() + (line.isValid() ? line.y() : 0);
        const int page = std::clamp(static_cast<int>(y / pageHeight) + 1, 1, pages);
        cursor.insertText(
            FromUtf8(FillPageFields(cursor.selectedText().toStdString(), {page, pages})));
        cursor = body.find(mark, cursor);
    }
}

void Paint(QPainter& painter, QTextDocument& doc, const QRectF& clip) {
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = clip;
    context.palette.setColor(QPalette::Text, Qt::black);
    painter.save();
    painter.setClipRect(clip);
    doc.documentLayout()->draw(&painter, context);
    painter.restore();
}

} // namespace

int RenderReport(const ExpandedReport& report, QPagedPaintDevice& device) {
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    const double width = device.width();
    const double gap = kSectionGapMm / 25.4 * device.logicalDpiY();

    // The sections are measured with the widest page numbers they will show.
    const PageNumbers widest{99, 99};
    const double headerHeight = HeightOf(MakeSection(report.PageHeader, widest, report, device));
    const double footerHeight = HeightOf(MakeSection(report.PageFooter, widest, report, device));
    const double top = headerHeight > 0 ? headerHeight + gap : 0.0;
    const double bottom = footerHeight > 0 ? footerHeight + gap : 0.0;
    const double pageHeight = std::max(device.height() - top - bottom, device.height() / 4.0);

    std::unique_ptr<QTextDocument> body = MakeDocument(FromUtf8(report.Body), report, device);
    body->setPageSize(QSizeF(width, pageHeight));
    FillBodyPageFields(*body, pageHeight, body->pageCount());
    const int pages = body->pageCount();

    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            device.newPage();
        if (auto header = MakeSection(report.PageHeader, {page, pages}, report, device))
            Paint(painter, *header, QRectF(0, 0, width, headerHeight));
        if (auto footer = MakeSection(report.PageFooter, {page, pages}, report, device)) {
            painter.save();
            painter.translate(0, device.height() - footerHeight);
            Paint(painter, *footer, QRectF(0, 0, width, footerHeight));
            painter.restore();
        }
        painter.save();
        const double offset = (page - 1) * pageHeight;
        painter.translate(0, top - offset);
        Paint(painter, *body, QRectF(0, offset, width, pageHeight));
        painter.restore();
    }
    painter.end();
    return pages;
}

bool WriteReportPdf(const ExpandedReport& report, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QPdfWriter writer(&file);
    writer.setResolution(kPdfResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, kPdfMarginsMm,
                                     QPageLayout::Millimeter));
    writer.setCreator("lgmservice");
    const int pages = RenderReport(report, writer);
    file.close();
    return pages > 0 && file.error() == QFileDevice::NoError;
}
