#include "support/DeviceGuardForTests.h"

#include "platform/DeviceGuard.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <unistd.h>

namespace DeviceGuardForTests {

namespace {

QString reportFile;

void FailTheTest(const char* device)
{
    ADD_FAILURE() << "The test opened the real device " << device
                  << "; use the pseudo-terminal rig, the fakes or a null transport instead.";
}

// Children report into the file; the test that started them fails when it ends.
class ChildReportCheck : public ::testing::EmptyTestEventListener
{
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        if (const std::string devices = TakeChildReports(); !devices.empty())
            ADD_FAILURE() << "A child process of the test opened the real device(s): " << devices;
    }
};

// The report file goes with the test program.
struct ReportFileRemoval
{
    ~ReportFileRemoval()
    {
        if (!reportFile.isEmpty())
            QFile::remove(reportFile);
    }
} removal;

} // namespace

void Install()
{
    // A child that this test program started as a routine reports to its parent's file.
    if (DeviceGuard::InstallFromEnvironment())
        return;
    reportFile = QDir::temp().filePath(QString("zozevere-device-guard-%1").arg(::getpid()));
    QFile::remove(reportFile);
    qputenv(DeviceGuard::Variable, reportFile.toLocal8Bit());
    DeviceGuard::Install(reportFile.toStdString(), FailTheTest);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ChildReportCheck);
}

std::string TakeChildReports()
{
    QFile file(reportFile);
    if (reportFile.isEmpty() || !file.open(QIODevice::ReadWrite))
        return {};
    const QByteArray devices = file.readAll().trimmed().replace('\n', ", ");
    file.resize(0);
    return devices.toStdString();
}

} // namespace DeviceGuardForTests
