#include "platform/SingleInstance.h"

#include <QByteArray>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string UniqueName(const char* what)
{
    return "ZOZEVERE-test-" + std::to_string(::getpid()) + "-" + what;
}

} // namespace

// The kernel lets go when the holder ends, so only a live holder blocks the next one.
TEST(SingleInstance, OneHolderAtATimeWithTheSocketOrTheLockFile)
{
    using Method = SingleInstance::Method;
    for (const Method method : {Method::SocketThenLockFile, Method::LockFileOnly}) {
        const std::string name = UniqueName(method == Method::LockFileOnly ? "file" : "socket");
        {
            SingleInstance first(name, method);
            ASSERT_TRUE(first.Acquire());
            EXPECT_TRUE(first.Acquire());
            SingleInstance second(name, method);
            EXPECT_FALSE(second.Acquire());
        }
        SingleInstance later(name, method);
        EXPECT_TRUE(later.Acquire());
        std::filesystem::remove(later.LockFilePath());
    }
    const std::string lockFile = SingleInstance(UniqueName("mode"), Method::LockFileOnly).LockFilePath();
    {
        SingleInstance holder(UniqueName("mode"), Method::LockFileOnly);
        ASSERT_TRUE(holder.Acquire());
        struct stat info {};
        ASSERT_EQ(::stat(lockFile.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
    std::filesystem::remove(lockFile);
}

// In the shared /tmp a link planted by someone else is never followed.
TEST(SingleInstance, ALockFileThatIsALinkIsNotUsedAndTheProgramRuns)
{
    SingleInstance instance(UniqueName("link"), SingleInstance::Method::LockFileOnly);
    std::filesystem::create_symlink("/nonexistent/elsewhere", instance.LockFilePath());
    EXPECT_TRUE(instance.Acquire());
    EXPECT_FALSE(std::filesystem::exists("/nonexistent/elsewhere"));
    std::filesystem::remove(instance.LockFilePath());
}

TEST(SingleInstance, TheNameIsPerUserAndPerProgramFolderVariable)
{
    const QByteArray saved = qgetenv("ZOZEVERE_HOME");
    qunsetenv("ZOZEVERE_HOME");
    const std::string plain = SingleInstance::DefaultName();
    EXPECT_EQ(plain, "ZOZEVERE-" + std::to_string(::getuid()));
    qputenv("ZOZEVERE_HOME", "/srv/a");
    const std::string a = SingleInstance::DefaultName();
    qputenv("ZOZEVERE_HOME", "/srv/a/");
    EXPECT_EQ(SingleInstance::DefaultName(), a);
    qputenv("ZOZEVERE_HOME", "/srv/b");
    EXPECT_NE(SingleInstance::DefaultName(), a);
    EXPECT_EQ(a.rfind(plain + "-", 0), 0u);
    if (saved.isEmpty())
        qunsetenv("ZOZEVERE_HOME");
    else
        qputenv("ZOZEVERE_HOME", saved);
}
