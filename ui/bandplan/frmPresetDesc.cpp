#include "ui/bandplan/frmPresetDesc.h"

#include <QLabel>

frmPresetDesc::frmPresetDesc(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint),
      lblCaption(new QLabel(this)),
      lblPresetDesc(new QLabel(this))
{
    setObjectName("frmPresetDesc");
    setAttribute(Qt::WA_ShowWithoutActivating);
    lblCaption->setObjectName("lblCaption");
    lblPresetDesc->setObjectName("lblPresetDesc");
    lblCaption->setTextFormat(Qt::PlainText);
    lblPresetDesc->setTextFormat(Qt::PlainText);
    lblPresetDesc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont bold = lblCaption->font();
    bold.setBold(true);
    lblCaption->setFont(bold);
    resize(180, 110);
}

// The caption along the inner top edge; the details from below it to the inner bottom.
void frmPresetDesc::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int captionHeight = lblCaption->sizeHint().height();
    lblCaption->setGeometry(0, 0, width(), captionHeight);
    lblPresetDesc->setGeometry(0, captionHeight, width(), height() - captionHeight);
}
