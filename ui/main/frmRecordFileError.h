#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;

// "Recording File Error": tells the user that the recorder's file could not be created or
// closed. It blocks no window: the receiver goes on while it is open. OK closes and
// deletes it.
class frmRecordFileError : public QDialog
{
    Q_OBJECT
public:
    explicit frmRecordFileError(QWidget* parent = nullptr);

    // Shows the message and returns once the user has closed the dialog; window messages,
    // timers and sound notifications run meanwhile (a local event loop, no busy wait).
    // False when the parent window was closed and deleted meanwhile.
    static bool ShowAndWait(const QString& message, QWidget* parent);

    QPlainTextEdit* txtMessage = nullptr;
    QPushButton* OKButton = nullptr;
};
