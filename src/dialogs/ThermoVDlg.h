#pragma once

#include "dialogs/Gauge.h"

// The pain thermometer: the bar grows from the bottom, blue at the bottom edge.
class ThermoVDlg : public Gauge {
    Q_OBJECT
public:
    explicit ThermoVDlg(QWidget* parent = nullptr);

protected:
    int axisCoordinate(QPoint point) const override { return point.y(); }
    double levelAt(int position, QSize size) const override;
    QRect stripBetween(int from, int to) const override;
    void paintGauge(QPainter& painter) override;
};
