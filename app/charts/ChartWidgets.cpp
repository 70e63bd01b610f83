#include "charts/ChartWidgets.h"

#include "charts/AxisMath.h"

#include <QPainter>
#include <QPainterPath>
#include <QPrintDialog>
#include <QPrinter>
#include <QtCharts/QLogValueAxis>
#include <QtCharts/QValueAxis>

#include <cmath>

namespace {

QAbstractAxis* AxisAt(QChart* chart, Qt::Alignment side) {
    for (QAbstractAxis* axis : chart->axes())
        if (axis->alignment() == side)
            return axis;
    return nullptr;
}

QPainterPath MarkerPath(MarkerShape shape, double s) {
    QPainterPath path;
    const double m = 1.0, c = s / 2, e = s - 1.0;
    switch (shape) {
    case MarkerShape::Square:
        path.addRect(QRectF(m + 0.5, m + 0.5, s - 3, s - 3));
        break;
    case MarkerShape::Circle:
        path.addEllipse(QRectF(m, m, s - 2, s - 2));
        break;
    case MarkerShape::Triangle:
        path.addPolygon(QPolygonF({{c, m}, {e, e}, {m, e}, {c, m}}));
        break;
    case MarkerShape::DownTriangle:
        path.addPolygon(QPolygonF({{m, m}, {e, m}, {c, e}, {m, m}}));
        break;
    case MarkerShape::Diamond:
        path.addPolygon(QPolygonF({{c, m}, {e, c}, {c, e}, {m, c}, {c, m}}));
        break;
    case MarkerShape::DiagonalCross:
        path.moveTo(m, m);
        path.lineTo(e, e);
        path.moveTo(e, m);
        path.lineTo(m, e);
        break;
    case MarkerShape::Star: {
        QPolygonF star;
        for (int i = 0; i <= 10; ++i) {
            const double r = (i % 2 ? 0.42 : 1.0) * (c - m);
            const double a = M_PI * i / 5 - M_PI / 2;
            star << QPointF(c + r * std::cos(a), c + r * std::sin(a));
        }
        path.addPolygon(star);
        break;
    }
    case MarkerShape::Cross:
        path.moveTo(c, m);
        path.lineTo(c, e);
        path.moveTo(m, c);
        path.lineTo(e, c);
        break;
    }
    return path;
}

bool IsStroke(MarkerShape shape) {
    return shape == MarkerShape::DiagonalCross || shape == MarkerShape::Cross;
}

} // namespace

QChartView* NewChartView(QWidget* parent) {
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setBackgroundBrush(Qt::white);
    chart->setPlotAreaBackgroundBrush(Qt::white);
    chart->setPlotAreaBackgroundVisible(true);
    auto* view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->setRubberBand(QChartView::RectangleRubberBand);
    return view;
}

void ApplyAxis(QChart* chart, Qt::Alignment side, const AxisLayout& layout,
               const QList<QXYSeries*>& series) {
    QAbstractAxis* axis = AxisAt(chart, side);
    const bool isLog = qobject_cast<QLogValueAxis*>(axis) != nullptr;
    if (!axis || isLog != layout.Logarithmic) {
        if (axis) {
            chart->removeAxis(axis);
            delete axis;
        }
        if (layout.Logarithmic) {
            auto* log = new QLogValueAxis;
            log->setBase(10);
            log->setLabelFormat("%g");
            axis = log;
        } else {
            axis = new QValueAxis;
        }
        chart->addAxis(axis, side);
        for (QXYSeries* s : series)
            s->attachAxis(axis);
    }
    axis->setTitleText(QString::fromStdString(layout.Title));
    auto* value = qobject_cast<QValueAxis*>(axis);
    if (value == nullptr) {
        axis->setRange(layout.Min, layout.Max);
        return;
    }
    // The old increment over the new range could mean thousands of grid
    // lines for a moment: the range changes under a fixed tick count.
    value->setTickType(QValueAxis::TicksFixed);
    value->setRange(layout.Min, layout.Max);
    const double step = layout.Step > 0 ? layout.Step : OwnStep(layout.Max - layout.Min);
    if (step > 0) {
        value->setTickAnchor(0);
        value->setTickInterval(step);
        value->setTickType(QValueAxis::TicksDynamic);
    }
}

QColor ColorOf(const SlotStyle& style) {
    return QColor(style.R, style.G, style.B);
}

QImage MarkerImage(MarkerShape shape, const QColor& color, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path = MarkerPath(shape, size);
    if (IsStroke(shape)) {
        painter.setPen(QPen(color, std::max(2.0, size / 5.0)));
        painter.drawPath(path);
    } else {
        painter.setPen(QPen(color.darker(160), 1));
        painter.setBrush(color);
        painter.drawPath(path);
    }
    return image;
}

bool PrintChart(QChartView* view, QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const QSizeF page(printer.width(), printer.height());
    QChart* chart = view->chart();
    const QSizeF shown = chart->size();
    // Laid out at screen size for the page's proportions, then scaled up, so
    // fonts and lines keep their proportion to the chart.
    const QSizeF printed(960.0, 960.0 * page.height() / page.width());
    chart->resize(printed);
    view->scene()->render(&painter, QRectF(0, 0, page.width() - 1, page.height() - 1),
                          QRectF(chart->pos(), printed), Qt::IgnoreAspectRatio);
    chart->resize(shown);
    return painter.end();
}

void PrintChartWithDialog(QWidget* parent, QChartView* view) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() == QDialog::Accepted)
        PrintChart(view, printer);
}
