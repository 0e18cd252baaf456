#include "app/frmSupervisor.h"
#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QStringList>
#include <QWidget>

#include <cstdlib>

namespace {

QString commandLine(const QStringList& arguments)
{
    return arguments.mid(1).join(' ');
}

// A stop request from a terminal or the session closes the main window the normal
// way, so that it saves its settings; the supervisor then ends the program. Before
// the main window exists there is nothing to save, and the program ends at once.
void closeMainWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName().toUpper() == "FRMMAIN") {
            window->close();
            return;
        }
    }
    std::exit(EXIT_SUCCESS);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName("ZOZEVERE");
    app.setQuitOnLastWindowClosed(false);  // the supervisor decides when the program ends

    TerminationSignals stopRequests;
    QObject::connect(&stopRequests, &TerminationSignals::requested, &closeMainWindow);

    frmSupervisor supervisor(commandLine(QApplication::arguments()).toStdString());
    if (!supervisor.Form_Load())
        return 0;
    return app.exec();
}
