#pragma once

#include <QMainWindow>

// The receiver's front panel. Closing it unloads it (the window is deleted), which
// the start-up supervisor's watchdog takes as the end of the program.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
};
