#include "charts/ChartWidgets.h"

#include "charts/AxisMath.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>
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

QPushButton* NewButton(const char* name, const char* text, QWidget* parent) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(name);
    // Enter in an edit commits the edit; it must not press a button as well.
    button->setAutoDefault(false);
    return button;
}

QCheckBox* NewCheckBox(const QString& name, const char* text, QWidget* parent) {
    auto* box = new QCheckBox(QString::fromUtf8(text), parent);
    box->setObjectName(name);
    return box;
}

QLineEdit* NewEdit(const QString& name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaximumWidth(90);
    return edit;
}

bool IsStroke(MarkerShape shape) {
    return shape == MarkerShape::DiagonalCross || shape == MarkerShape::Cross;
}

} // namespace

AxisGroup NewAxisGroup(Quantity q, QWidget* parent) {
    static constexpr const char* kTitles[kQuantityCount] = {"Расход:", "Частота:", "Погрешность:"};
    static constexpr const char* kNames[kQuantityCount] = {"Flow", "Freq", "Err"};
    const int index = static_cast<int>(q);
    const QString name = kNames[index];
    AxisGroup group;
    group.Box = new QGroupBox(QString::fromUtf8(kTitles[index]), parent);
    auto* form = new QFormLayout(group.Box);
    group.Auto = NewCheckBox(name + "AutoCheckBox", "Автом. выбор", group.Box);
    group.Auto->setChecked(true);
    group.Max = NewEdit(name + "MaxEdit", group.Box);
    group.Grid = NewEdit(name + "GridEdit", group.Box);
    form->addRow(group.Auto);
    form->addRow(QString::fromUtf8("Max"), group.Max);
    form->addRow(QString::fromUtf8("Разбиение"), group.Grid);
    if (q != Quantity::Error) {
        group.Log = NewCheckBox(name + "LogCheckBox", "Логарифм.шкала", group.Box);
        form->addRow(group.Log);
    }
    return group;
}

ChartButtons AddChartButtons(QVBoxLayout* column, QDialog* window, const char* closeName) {
    ChartButtons buttons;
    buttons.Values = NewCheckBox("ValuesCheck", "Отображать значения", window);
    buttons.Zoom100 = NewButton("Zoom100Btn", "1 : 1", window);
    buttons.Print = NewButton("PrintBtn", "Печать", window);
    buttons.Close = NewButton(closeName, "Закрыть", window);
    QObject::connect(buttons.Close, &QPushButton::clicked, window, &QDialog::accept);
    column->addWidget(buttons.Values);
    column->addWidget(buttons.Zoom100);
    column->addWidget(buttons.Print);
    column->addStretch();
    column->addWidget(buttons.Close);
    return buttons;
}

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
