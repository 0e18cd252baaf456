#pragma once

#include <QWidget>

class QLabel;

// The small description pop-up shown beside a preset or sub-band button while the pointer is
// over it: a caption along the top and the details below. It never takes the focus.
class frmPresetDesc : public QWidget
{
    Q_OBJECT
public:
    explicit frmPresetDesc(QWidget* owner = nullptr);

    QLabel* lblCaption;
    QLabel* lblPresetDesc;

protected:
    void resizeEvent(QResizeEvent* event) override;
};
