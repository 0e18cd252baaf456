#include "support/DeviceGuardForTests.h"

#include "deviceguard/DeviceGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

#include <dlfcn.h>
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

// The address sanitizer's run-time library where this program runs with it: a program built
// with it refuses to start unless that library is the first one it loads.
QString SanitizerRuntime()
{
    Dl_info info{};
    void* const entry = dlsym(RTLD_DEFAULT, "__asan_init");
    if (!entry || !dladdr(entry, &info) || !info.dli_fname)
        return {};
    const QString path = QString::fromLocal8Bit(info.dli_fname);
    return QFileInfo(path).fileName().startsWith("libasan") ? path : QString();
}

} // namespace

void Install()
{
    // A child that this test program started as a routine reports to its parent's file.
    if (DeviceGuard::InstallFromEnvironment())
        return;
    reportFile = QDir::temp().filePath(QString("zozevere-device-guard-%1").arg(::getpid()));
    QFile::remove(reportFile);
    qputenv(DeviceGuard::Variable, reportFile.toLocal8Bit());
    DeviceGuard::Install(reportFile.toLocal8Bit().constData(), FailTheTest);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ChildReportCheck);
}

void Guard(QProcessEnvironment& environment)
{
    const QString reports = qEnvironmentVariable(DeviceGuard::Variable);
    if (reports.isEmpty())
        return;   // not a test program (a benchmark): nothing to report to
    QStringList preload;
    if (const QString sanitizer = SanitizerRuntime(); !sanitizer.isEmpty())
        preload << sanitizer;
    preload << QString::fromLocal8Bit(DeviceGuard::LibraryPath());
    if (const QString earlier = environment.value("LD_PRELOAD"); !earlier.isEmpty())
        preload << earlier;
    environment.insert("LD_PRELOAD", preload.join(':'));
    environment.insert(DeviceGuard::Variable, reports);
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
