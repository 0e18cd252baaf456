#pragma once

#include <QFile>
#include <QFileSystemWatcher>
#include <QObject>

// Drives a running program through its own panel, as a user's mouse would, for the tests
// that run the built program in a child process. Loaded into that program by Qt as a
// generic plugin (QT_QPA_GENERIC_PLUGINS=zozpaneldriver, with this plugin's folder on
// QT_PLUGIN_PATH); the program itself knows nothing of it.
//
// The test appends lines to the file named by ZOZEVERE_PANEL_COMMANDS:
//   click <objectName>   a left click at the middle of the visible widget of that name
// and, for every line handled, the driver appends "<line number> ok" (the click is on its
// way: the program handles it next) or "<line number> failed: <why>" to the file named by
// ZOZEVERE_PANEL_REPLIES.
class PanelDriver : public QObject
{
public:
    PanelDriver(const QString& commandFile, const QString& replyFile);

private:
    void ReadCommands();
    QString Run(const QString& command);
    void Reply(const QString& text);

    QFile commands_;
    QString replyFile_;
    QByteArray pending_;   // a line not yet complete
    int handled_ = 0;
    QFileSystemWatcher watcher_;
};
