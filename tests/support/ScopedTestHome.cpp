#include "ScopedTestHome.h"

#include <QDir>

#include <filesystem>

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

// Removed by the bytes of its names: QTemporaryDir cannot remove a file whose name is not
// UTF-8, and a test may leave one.
ScopedTestHome::~ScopedTestHome()
{
    std::error_code ignored;
    std::filesystem::remove_all(dir_.path().toStdString(), ignored);
}

std::string ScopedTestHome::path() const { return dir_.path().toStdString(); }

std::string ScopedTestHome::file(const std::string& name) const { return path() + "/" + name; }
