#pragma once

#include "dialogs/Gauge.h"

// The stiffness thermometer: the bar grows from the left, blue at the left edge.
class ThermoHDlg : public Gauge {
    Q_OBJECT
public:
    explicit ThermoHDlg(QWidget* parent = nullptr);

protected:
    int axisCoordinate(QPoint point) const override { return point.x(); }
    double levelAt(int position, QSize size) const override;
    QRect stripBetween(int from, int to) const override;
    void paintGauge(QPainter& painter) override;
};
