#include "ui/main/frmMain.h"

#include "platform/AppPaths.h"

frmMain::frmMain(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName("frmMain");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(AppPaths::ProductName);
    resize(640, 400);
}
