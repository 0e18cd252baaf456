#include "ScopedTestHome.h"

ScopedTestHome::ScopedTestHome()
    : oldHome_(qgetenv("ZOZEVERE_HOME")),
      oldConfig_(qgetenv("XDG_CONFIG_HOME")),
      hadHome_(qEnvironmentVariableIsSet("ZOZEVERE_HOME")),
      hadConfig_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
{
    qputenv("ZOZEVERE_HOME", dir_.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (dir_.path() + "/config").toLocal8Bit());
}

ScopedTestHome::~ScopedTestHome()
{
    if (hadHome_) qputenv("ZOZEVERE_HOME", oldHome_); else qunsetenv("ZOZEVERE_HOME");
    if (hadConfig_) qputenv("XDG_CONFIG_HOME", oldConfig_); else qunsetenv("XDG_CONFIG_HOME");
}

std::string ScopedTestHome::path() const { return dir_.path().toStdString(); }

std::string ScopedTestHome::file(const std::string& name) const { return path() + "/" + name; }
