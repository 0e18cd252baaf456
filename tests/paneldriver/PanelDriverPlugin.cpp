#include "PanelDriver.h"

#include <QGenericPlugin>

// The entry point Qt looks for in a generic plugin.
class PanelDriverPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "PanelDriverPlugin.json")

public:
    QObject* create(const QString& key, const QString&) override
    {
        if (key.compare("zozpaneldriver", Qt::CaseInsensitive) != 0)
            return nullptr;
        return new PanelDriver(qEnvironmentVariable("ZOZEVERE_PANEL_COMMANDS"),
                               qEnvironmentVariable("ZOZEVERE_PANEL_REPLIES"));
    }
};

#include "PanelDriverPlugin.moc"
