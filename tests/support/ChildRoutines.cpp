#include "support/ChildRoutines.h"

#include <QString>

#include <cstdio>
#include <map>

namespace ChildRoutines {

namespace {

std::map<std::string, std::function<int()>>& Routines()
{
    static std::map<std::string, std::function<int()>> routines;
    return routines;
}

} // namespace

bool Register(const std::string& name, std::function<int()> routine)
{
    Routines()[name] = std::move(routine);
    return true;
}

bool RunRequested(int& result)
{
    const std::string name = qEnvironmentVariable(Variable).toStdString();
    if (name.empty())
        return false;
    const auto found = Routines().find(name);
    if (found == Routines().end()) {
        std::fprintf(stderr, "No child routine named \"%s\" in this test program\n", name.c_str());
        result = 2;
        return true;
    }
    result = found->second();
    return true;
}

} // namespace ChildRoutines
