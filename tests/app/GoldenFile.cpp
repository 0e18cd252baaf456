#include "GoldenFile.h"

#include "support/TextFiles.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace GoldenFile {

namespace {

QString RecordPath(const std::string& name) { return QString(ZOZEVERE_GOLDEN_DIR "/") + name.c_str(); }

QString ActualPath(const std::string& name) { return QString(ZOZEVERE_GOLDEN_ACTUAL_DIR "/") + name.c_str(); }

// A line as it stands, with its control characters (a CR left by the line end) spelled out.
std::string Shown(const QList<QByteArray>& lines, qsizetype index)
{
    if (index >= lines.size())
        return "(the end of the file)";
    std::string shown = "\"";
    for (const char c : lines[index]) {
        if (c == '\r')
            shown += "\\r";
        else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
            shown += escape;
        } else
            shown += c;
    }
    return shown + "\"";
}

} // namespace

std::string FirstDifference(const QByteArray& expected, const QByteArray& actual)
{
    const QList<QByteArray> want = expected.split('\n');
    const QList<QByteArray> got = actual.split('\n');
    for (qsizetype line = 0; line < std::max(want.size(), got.size()); ++line) {
        if (line < want.size() && line < got.size() && want[line] == got[line])
            continue;
        return "line " + std::to_string(line + 1) + "\n  expected: " + Shown(want, line) +
               "\n  got:      " + Shown(got, line);
    }
    return {};
}

void ExpectMatches(const std::string& name, const QByteArray& actual)
{
    if (qEnvironmentVariable("ZOZEVERE_UPDATE_GOLDEN") == "1") {
        EXPECT_TRUE(WriteFile(RecordPath(name), actual)) << "cannot write " << RecordPath(name).toStdString();
        std::printf("Recorded %s\n", qPrintable(RecordPath(name)));
        return;
    }
    QFile record(RecordPath(name));
    const bool recorded = record.open(QIODevice::ReadOnly);
    const QByteArray expected = recorded ? record.readAll() : QByteArray();
    const QString actualPath = ActualPath(name);
    if (recorded && expected == actual) {
        QFile::remove(actualPath);   // one left by an earlier failing run would mislead
        return;
    }
    const bool kept = WriteFile(actualPath, actual);
    ADD_FAILURE() << name << " is not the one on record (" << RecordPath(name).toStdString() << "), first at "
                  << (recorded ? FirstDifference(expected, actual) : "line 1: there is no file on record")
                  << "\nThe whole actual file: "
                  << (kept ? actualPath.toStdString() : "could not be written to " + actualPath.toStdString());
}

} // namespace GoldenFile
