#include "platform/AlsaLibraryErrors.h"

#include <QCoreApplication>
#include <QThread>
#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

class AlsaLibraryErrorLines : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AlsaLibraryErrors::Route([this](const std::string& line) {
            lines.push_back(line);
            onMainThread = onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        });
    }
    void TearDown() override { AlsaLibraryErrors::Route({}); }

    static void OpenAnUnknownDevice()
    {
        snd_pcm_t* pcm = nullptr;
        EXPECT_LT(snd_pcm_open(&pcm, "zozevere_no_such_device", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK), 0);
    }

    bool Logged(const std::string& text) const
    {
        for (const std::string& line : lines)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }

    std::vector<std::string> lines;
    bool onMainThread = true;
};

TEST_F(AlsaLibraryErrorLines, GoToTheLogWithTheLibrarysOwnWords)
{
    OpenAnUnknownDevice();
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(Logged("Unknown PCM zozevere_no_such_device"));
    EXPECT_EQ(lines.front().rfind("ALSA lib ", 0), 0u) << lines.front();
}

TEST_F(AlsaLibraryErrorLines, FromAnotherThreadReachTheLogOnTheMainThread)
{
    std::thread(OpenAnUnknownDevice).join();
    EXPECT_TRUE(lines.empty()) << "delivered through the event loop";
    QCoreApplication::processEvents();
    EXPECT_TRUE(Logged("Unknown PCM zozevere_no_such_device"));
    EXPECT_TRUE(onMainThread);
}

} // namespace
