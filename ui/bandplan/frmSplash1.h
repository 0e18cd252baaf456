#pragma once

#include <QWidget>

class QLabel;

// The small "Loading Bandplans" window shown while band plans are found or read. The
// text is lblBandPlan's; lblBandPlan2 lies under it as its shadow.
class frmSplash1 : public QWidget
{
    Q_OBJECT
public:
    explicit frmSplash1(QWidget* parent = nullptr);

    QLabel* lblBandPlan;
    QLabel* lblBandPlan2;
};
