#pragma once

#include <QTemporaryDir>
#include <QByteArray>
#include <string>

// Points the program folder ($ZOZEVERE_HOME), the settings folder ($XDG_CONFIG_HOME)
// and the runtime folder ($XDG_RUNTIME_DIR) at a fresh temporary folder for the
// lifetime of the object, and restores the previous values afterwards.
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
    struct SavedVariable
    {
        explicit SavedVariable(const char* name);
        ~SavedVariable();
        const char* name;
        QByteArray value;
        bool wasSet;
    };
    SavedVariable home_{"ZOZEVERE_HOME"}, config_{"XDG_CONFIG_HOME"}, runtime_{"XDG_RUNTIME_DIR"};
};
