#pragma once

#include <QByteArray>

#include <string>

// Files the program writes, compared byte for byte with the ones on record in tests/app/data.
// A difference fails the test, naming the first line that differs (expected and got), and
// leaves the whole actual file in the build folder (golden-actual/<name>) to be diffed.
//
// To record a deliberate change, run the tests with ZOZEVERE_UPDATE_GOLDEN=1: they then write
// the files on record from what the program wrote instead of comparing. Review the diff of
// tests/app/data before committing it.
namespace GoldenFile {

void ExpectMatches(const std::string& name, const QByteArray& actual);

// The line (1-based) and both sides of the first difference; empty when the texts are equal.
std::string FirstDifference(const QByteArray& expected, const QByteArray& actual);

} // namespace GoldenFile
