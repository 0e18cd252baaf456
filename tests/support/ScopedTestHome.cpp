#include "ScopedTestHome.h"

#include <QDir>

ScopedTestHome::SavedVariable::SavedVariable(const char* variableName)
    : name(variableName), value(qgetenv(variableName)), wasSet(qEnvironmentVariableIsSet(variableName))
{
}

ScopedTestHome::SavedVariable::~SavedVariable()
{
    if (wasSet)
        qputenv(name, value);
    else
        qunsetenv(name);
}

ScopedTestHome::ScopedTestHome()
{
    QDir(dir_.path()).mkpath("runtime");
    qputenv("ZOZEVERE_HOME", dir_.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (dir_.path() + "/config").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (dir_.path() + "/runtime").toLocal8Bit());
}

ScopedTestHome::~ScopedTestHome() = default;

std::string ScopedTestHome::path() const { return dir_.path().toStdString(); }

std::string ScopedTestHome::file(const std::string& name) const { return path() + "/" + name; }
