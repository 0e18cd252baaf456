#pragma once

#include <QTemporaryDir>
#include <QByteArray>
#include <string>

// Points the program folder ($ZOZEVERE_HOME) and the settings folder
// ($XDG_CONFIG_HOME) at a fresh temporary folder for the lifetime of the object,
// and restores the previous values afterwards.
class ScopedTestHome
{
public:
    ScopedTestHome();
    ~ScopedTestHome();
    ScopedTestHome(const ScopedTestHome&) = delete;
    ScopedTestHome& operator=(const ScopedTestHome&) = delete;

    std::string path() const;                              // the temporary folder
    std::string file(const std::string& name) const;      // path() + "/" + name

private:
    QTemporaryDir dir_;
    QByteArray oldHome_, oldConfig_;
    bool hadHome_, hadConfig_;
};
