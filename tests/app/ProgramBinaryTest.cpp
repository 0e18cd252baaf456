#include <QProcess>
#include <QString>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <dlfcn.h>

namespace {

// The functions a file defines for others to call, as nm lists them ("open", not
// "open@@GLIBC_2.2.5"); empty when nm cannot read it.
std::set<std::string> DefinedFunctions(const QString& file)
{
    QProcess nm;
    nm.start("nm", {"-D", "--defined-only", file});
    if (!nm.waitForFinished(60000) || nm.exitCode() != 0)
        return {};
    std::set<std::string> functions;
    for (const QByteArray& line : nm.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() == 3 && (fields[1] == "T" || fields[1] == "W" || fields[1] == "i"))
            functions.insert(fields[2].left(fields[2].indexOf('@')).toStdString());
    }
    return functions;
}

// The program carries no test code: it defines none of the C library's functions, so every
// open in it, Qt's and the sound libraries' included, reaches the C library itself.
TEST(ProgramBinary, DefinesNoFunctionOfTheCLibrary)
{
    Dl_info libc{};
    ASSERT_TRUE(dladdr(dlsym(RTLD_DEFAULT, "gnu_get_libc_version"), &libc) && libc.dli_fname);
    const std::set<std::string> libraryFunctions = DefinedFunctions(QString::fromLocal8Bit(libc.dli_fname));
    ASSERT_TRUE(libraryFunctions.count("open") && libraryFunctions.count("fopen")) << "nm lists " << libc.dli_fname;
    const std::set<std::string> programFunctions = DefinedFunctions(ZOZEVERE_PROGRAM);

    std::vector<std::string> both;
    std::set_intersection(programFunctions.begin(), programFunctions.end(), libraryFunctions.begin(),
                          libraryFunctions.end(), std::back_inserter(both));
    std::string names;
    for (const std::string& name : both)
        names += name + " ";
    EXPECT_TRUE(both.empty()) << ZOZEVERE_PROGRAM << " defines " << names;
}

} // namespace
