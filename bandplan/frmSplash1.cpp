#include "bandplan/frmSplash1.h"

#include <QLabel>
#include <QVBoxLayout>

frmSplash1::frmSplash1(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::WindowStaysOnTopHint),
      lblBandPlan(new QLabel("Loading Bandplans", this)),
      lblBandPlan2(new QLabel("Loading Bandplans", this))
{
    setObjectName("frmSplash1");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblBandPlan);
    layout->addWidget(lblBandPlan2);
    resize(240, 80);
}
