#include "ui/main/frmRecordFileError.h"

#include <QEventLoop>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

frmRecordFileError::frmRecordFileError(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("frmRecordFileError");
    setWindowTitle("Recording File Error");
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    txtMessage = new QPlainTextEdit(this);
    txtMessage->setObjectName("txtMessage");
    txtMessage->setReadOnly(true);
    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtMessage);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
    resize(420, 150);
}

bool frmRecordFileError::ShowAndWait(const QString& message, QWidget* parent)
{
    const QPointer<QWidget> owner(parent);
    QPointer<frmRecordFileError> dialog = new frmRecordFileError(parent);
    dialog->txtMessage->setPlainText(message);
    QEventLoop wait;
    // Closing deletes the dialog (OK, the window's close button or Escape).
    connect(dialog, &QObject::destroyed, &wait, &QEventLoop::quit);
    connect(dialog, &QDialog::finished, &wait, &QEventLoop::quit);
    dialog->show();
    if (dialog && dialog->isVisible())
        wait.exec();
    if (dialog)
        dialog->deleteLater();
    return owner != nullptr;
}
