#include "platform/SingleInstance.h"

#include <QByteArray>
#include <QtGlobal>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

std::string UniqueName(const char* what) { return "ZOZEVERE-test-" + std::to_string(::getpid()) + "-" + what; }

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
            EXPECT_FALSE(SingleInstance(name, method).Acquire());
        }
        SingleInstance later(name, method);
        EXPECT_TRUE(later.Acquire());
        std::filesystem::remove(later.LockFilePath());
    }
    // In the shared /tmp a link planted by someone else is never followed.
    SingleInstance linked(UniqueName("link"), Method::LockFileOnly);
    std::filesystem::create_symlink("/nonexistent/elsewhere", linked.LockFilePath());
    EXPECT_TRUE(linked.Acquire());
    std::filesystem::remove(linked.LockFilePath());
}

TEST(SingleInstance, TheNameIsPerUserAndPerProgramFolderVariable)
{
    const QByteArray saved = qgetenv("ZOZEVERE_HOME");
    qunsetenv("ZOZEVERE_HOME");
    const std::string plain = SingleInstance::DefaultName();
    qputenv("ZOZEVERE_HOME", "/srv/a/");
    const std::string a = SingleInstance::DefaultName();
    qputenv("ZOZEVERE_HOME", "/srv/b");
    EXPECT_NE(SingleInstance::DefaultName(), a);
    qputenv("ZOZEVERE_HOME", saved);
    EXPECT_EQ(plain, "ZOZEVERE-" + std::to_string(::getuid()));
    EXPECT_EQ(a.rfind(plain + "-", 0), 0u);
}
