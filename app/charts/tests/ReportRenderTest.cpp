// Reports on pages: the shipped templates filled from a document and written
// as PDF, checked through the text pdftotext reads back; page numbers; the
// preview's PDF saving.
#include "charts/ReportBuilder.h"
#include "charts/ReportPreview.h"
#include "charts/ReportRenderer.h"
#include "document/testing/MessageRecorder.h"

#include <QAction>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

namespace {

// The text of a PDF file, one string per page.
QStringList PdfPages(const QString& path) {
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", path, "-"});
    if (!pdftotext.waitForFinished(20000))
        return {};
    QStringList pages = QString::fromUtf8(pdftotext.readAllStandardOutput()).split('\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

std::string TemplateFolder() {
    return qEnvironmentVariable("LGM_SOURCE_DIR").toStdString() + "/app/charts/templates";
}

void AddRows(TZorDataList& list, int count) {
    for (int i = 0; i < count; ++i) {
        MeasurementRecord r = NewMeasurement();
        r.EtalonVolume = 100 + i;
        r.EtalonTime = 60;
        r.EtalonFlow = 6.0 + i * 0.5;
        r.MeasuredPulses = 1001 + i;
        r.MeasuredTime = 10;
        r.MeasuredFrequency = 100.0 + i;
        r.MeasuredFlow = r.EtalonFlow * 0.9958;
        r.FlowDeviation = -0.0042;
        r.ComparedPulses = 250;
        r.ComparedVolume = 99.5;
        r.VolumeDeviation = 0.0125;
        list.Add(r);
    }
}

} // namespace

class ReportRenderTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void ACalibrationReportRunsOverPagesWithItsNumbers();
    void AVerificationReportOfAnEmptyListHasNoRows();
    void PageFieldsInTheBodyTakeTheirOwnPage();
    void ThePreviewSavesThePdf();

private:
    ExpandedReport Report() const;

    std::unique_ptr<MessageRecorder> messages_;
    std::unique_ptr<CalibrationDocument> doc_;
    std::unique_ptr<QTemporaryDir> dir_;
};

void ReportRenderTest::init() {
    messages_ = std::make_unique<MessageRecorder>();
    doc_ = std::make_unique<CalibrationDocument>();
    doc_->Settings().SerNo = 4321;
    doc_->Settings().DuIndex = 5;
    dir_ = std::make_unique<QTemporaryDir>();
}

void ReportRenderTest::cleanup() {
    dir_.reset();
    doc_.reset();
    messages_.reset();
}

ExpandedReport ReportRenderTest::Report() const {
    const std::optional<ExpandedReport> report = RepBtnClick(*doc_, TemplateFolder(), 0);
    if (!report)
        qFatal("no report template in %s", TemplateFolder().c_str());
    return *report;
}

void ReportRenderTest::ACalibrationReportRunsOverPagesWithItsNumbers() {
    AddRows(doc_->CalibrationList(), 90);
    doc_->CalibrationList().Item(1)->Flags |= RecordFlag::Disabled;
    doc_->CalibrationList().Item(1)->EtalonVolume = 555.25;
    const QString pdf = dir_->filePath("grad.pdf");
    QVERIFY(WriteReportPdf(Report(), pdf));
    const QStringList pages = PdfPages(pdf);
    QVERIFY2(pages.size() >= 2, qPrintable(QString::number(pages.size())));
    const QString all = pages.join('\n');
    QVERIFY(all.contains(QStringLiteral("ПРОТОКОЛ ГРАДУИРОВКИ")));
    QVERIFY(all.contains(QStringLiteral("00004321")));
    QVERIFY(all.contains(QStringLiteral("ЛГМ-ЧИ2.xx-xxx")));
    QVERIFY(all.contains(QStringLiteral("50 мм")));
    QVERIFY(all.contains(QStringLiteral("89"))); // NumOfRecords: the enabled ones
    QVERIFY(all.contains(QStringLiteral("6.00000")));
    QVERIFY(!all.contains(QStringLiteral("555.250"))); // the disabled row
    QVERIFY(all.contains(QStringLiteral("-0.42")));
    QVERIFY(all.contains(QStringLiteral("0.120000"))); // A1 of the default lines
    for (int page = 1; page <= pages.size(); ++page) {
        const QString footer = QString("Страница %1 из %2").arg(page).arg(pages.size());
        QVERIFY2(pages[page - 1].contains(footer), qPrintable(footer));
        // The table's head is repeated on every page it runs over.
        if (page < pages.size())
            QVERIFY(pages[page - 1].contains(QStringLiteral("Qэт, м3/ч")));
    }
}

void ReportRenderTest::AVerificationReportOfAnEmptyListHasNoRows() {
    AddRows(doc_->CalibrationList(), 3);
    QVERIFY(doc_->ModeTestItemClick());
    const QString pdf = dir_->filePath("pov.pdf");
    QVERIFY(WriteReportPdf(Report(), pdf));
    const QStringList pages = PdfPages(pdf);
    QCOMPARE(pages.size(), 1);
    QVERIFY(pages[0].contains(QStringLiteral("ПРОТОКОЛ ПОВЕРКИ")));
    QVERIFY(pages[0].contains(QStringLiteral("Vизм, л")));
    QVERIFY(!pages[0].contains(QStringLiteral("100.000"))); // no calibration rows
    QVERIFY(pages[0].contains(QStringLiteral("Страница 1 из 1")));
}

void ReportRenderTest::PageFieldsInTheBodyTakeTheirOwnPage() {
    const std::optional<ReportTemplate> t = ParseReportTemplate(
        "<p>one [PAGE#:%02d]/[TOTALPAGES]</p>"
        "<p style=\"page-break-before: always\">two [PAGE#:%02d]/[TOTALPAGES]</p>");
    QVERIFY(t);
    const QString pdf = dir_->filePath("pages.pdf");
    QVERIFY(WriteReportPdf(ExpandReport(*t, ReportVariables(*doc_, 0)), pdf));
    const QStringList pages = PdfPages(pdf);
    QCOMPARE(pages.size(), 2);
    QVERIFY(pages[0].contains(QStringLiteral("one 01/2")));
    QVERIFY(pages[1].contains(QStringLiteral("two 02/2")));
}

void ReportRenderTest::ThePreviewSavesThePdf() {
    AddRows(doc_->CalibrationList(), 2);
    TReportPreview preview(Report());
    QVERIFY(preview.findChild<QToolBar*>()->actions().contains(preview.SavePdfItem));
    QCOMPARE(preview.SavePdfItem->text(), QStringLiteral("Сохранить в PDF"));
    preview.show();
    auto* pages = preview.findChild<QPrintPreviewWidget*>();
    QTRY_COMPARE(pages->pageCount(), 1);
    QCOMPARE(pages->zoomMode(), QPrintPreviewWidget::FitToWidth);

    const QString pdf = dir_->filePath("saved.pdf");
    QVERIFY(preview.SavePdf(pdf));
    QVERIFY(PdfPages(pdf).join('\n').contains(QStringLiteral("00004321")));
    QVERIFY(messages_->Empty());
    QVERIFY(!preview.SavePdf(dir_->filePath("no/such/folder/x.pdf")));
    QCOMPARE(messages_->Single(),
             (RecordedMessage{MessageKind::Error, "Не удалось открыть файл на запись"}));
}

QTEST_MAIN(ReportRenderTest)
#include "ReportRenderTest.moc"
