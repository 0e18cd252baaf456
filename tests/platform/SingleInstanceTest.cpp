#include "platform/SingleInstance.h"

#include <QByteArray>
#include <QtGlobal>
#include <filesystem>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

std::string UniqueName(const char* what) { return "ZOZEVERE-test-" + std::to_string(::getpid()) + "-" + what; }

// Puts back the variables the name depends on.
struct ScopedEnvironment
{
    ScopedEnvironment() = default;
    ~ScopedEnvironment()
    {
        for (const auto& [name, value] : saved)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    std::vector<std::pair<const char*, QByteArray>> saved{
        {"HOME", qgetenv("HOME")}, {"XDG_CONFIG_HOME", qgetenv("XDG_CONFIG_HOME")},
        {"ZOZEVERE_HOME", qgetenv("ZOZEVERE_HOME")}};
};

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

// One instance per user: the program folder does not count, a settings folder of its own does.
TEST(SingleInstance, TheNameIsPerUserWhateverTheProgramFolder)
{
    ScopedEnvironment saved;
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("HOME", ::getpwuid(::getuid())->pw_dir);
    qunsetenv("ZOZEVERE_HOME");
    const std::string plain = SingleInstance::DefaultName();
    EXPECT_EQ(plain, "ZOZEVERE-" + std::to_string(::getuid()));
    qputenv("ZOZEVERE_HOME", "/srv/a");
    EXPECT_EQ(SingleInstance::DefaultName(), plain);
    qputenv("XDG_CONFIG_HOME", QByteArray(::getpwuid(::getuid())->pw_dir) + "/.config/");
    EXPECT_EQ(SingleInstance::DefaultName(), plain);

    qputenv("XDG_CONFIG_HOME", "/srv/test-settings");
    const std::string separate = SingleInstance::DefaultName();
    EXPECT_EQ(separate.rfind(plain + "-", 0), 0u);
    qputenv("ZOZEVERE_HOME", "/srv/b");
    EXPECT_EQ(SingleInstance::DefaultName(), separate);
}
