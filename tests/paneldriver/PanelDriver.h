#pragma once

#include <QFile>
#include <QFileSystemWatcher>
#include <QObject>

// Drives a running program through its own panel, as a user's mouse would, for the tests
// that run the built program in a child process. Loaded into that program by Qt as a
// generic plugin (QT_QPA_GENERIC_PLUGINS=zozpaneldriver, with this plugin's folder on
// QT_PLUGIN_PATH); the program itself knows nothing of it.
//
// The test appends lines to the file named by ZOZEVERE_PANEL_COMMANDS, each about the
// visible widget of that object name:
//   click <objectName>           a left click at its middle
//   tick <objectName> on|off     a check box or switch brought to that state by a click, if
//                                it is not in it already
//   tab <objectName> <caption>   a left click on the tab of that caption in a tab strip
//   choose <objectName> <text>   the first entry of a drop-down list that contains the text,
//                                picked as from the open list
//   entries <objectName>         the entries of a drop-down list, answered tab-separated
// and, for every line handled, the driver appends "<line number> ok" (a click is on its
// way: the program handles it next), "<line number> ok <answer>" or "<line number> failed:
// <why>" to the file named by ZOZEVERE_PANEL_REPLIES.
class PanelDriver : public QObject
{
public:
    PanelDriver(const QString& commandFile, const QString& replyFile);

private:
    void ReadCommands();
    QString Run(const QString& command, QString& answer);
    void Reply(const QString& text);

    QFile commands_;
    QString replyFile_;
    QByteArray pending_;   // a line not yet complete
    int handled_ = 0;
    QFileSystemWatcher watcher_;
};
