#include "ui/bandplan/frmSplash1.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>

namespace {

constexpr int ShadowOffset = 2;

// The second label is the first one's drop shadow: it lies under it, a little down and
// to the right, and always draws the first label's current text, so the window reads
// one line whatever the first label is set to.
class ShadowLabel : public QLabel
{
public:
    ShadowLabel(const QString& text, const QLabel& front, QWidget* parent) : QLabel(text, parent), front_(front)
    {
        setContentsMargins(ShadowOffset, ShadowOffset, 0, 0);
        setForegroundRole(QPalette::Mid);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        painter.drawText(contentsRect(), int(front_.alignment()), front_.text());
    }

private:
    const QLabel& front_;
};

} // namespace

frmSplash1::frmSplash1(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::WindowStaysOnTopHint),
      lblBandPlan(new QLabel("Loading Bandplans", this)),
      lblBandPlan2(new ShadowLabel("Loading Bandplans", *lblBandPlan, this))
{
    setObjectName("frmSplash1");
    lblBandPlan->setAlignment(Qt::AlignCenter);
    lblBandPlan->setContentsMargins(0, 0, ShadowOffset, ShadowOffset);
    auto* layout = new QGridLayout(this);
    layout->addWidget(lblBandPlan2, 0, 0);
    layout->addWidget(lblBandPlan, 0, 0);
    lblBandPlan->raise();
    resize(240, 80);
}
