#include "audio/TrackLog.h"

#include "core/Numeric.h"
#include "core/RuntimeError.h"

#include <cstdio>
#include <string>

namespace TrackLogTrailer {
namespace {

constexpr char Separator = '\x04';
constexpr char Terminator = '\0';
const QString TimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

std::string TenDigits(int32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%010d", value);
    return text;
}

std::string EntryText(const TrackLogRecord& record)
{
    std::string entry;
    entry += "F=" + TenDigits(record.F) + Separator;
    entry += "T=" + record.T.toString(TimeFormat).toStdString() + Separator;
    entry += "S=" + TenDigits(record.S) + Separator;
    entry += "E=" + TenDigits(record.E) + Separator;
    entry += Terminator;
    return entry;
}

std::vector<std::string> Split(const std::string& text, char at)
{
    std::vector<std::string> pieces(1);
    for (char c : text) {
        if (c == at)
            pieces.emplace_back();
        else
            pieces.back() += c;
    }
    return pieces;
}

// Malformed numbers or times raise, so that the caller drops the whole log.
void ReadField(const std::string& field, TrackLogRecord& record)
{
    const auto equals = field.find('=');
    const std::string key = field.substr(0, equals);
    const std::string_view value = equals == std::string::npos ? std::string_view()
                                                                : std::string_view(field).substr(equals + 1);
    if (key == "F")
        record.F = Numeric::CLng(value);
    else if (key == "S")
        record.S = Numeric::CLng(value);
    else if (key == "E")
        record.E = Numeric::CLng(value);
    else if (key == "T") {
        record.T = QDateTime::fromString(QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())),
                                         TimeFormat);
        if (!record.T.isValid())
            throw TypeMismatchError("TrackLog");
    }
}

TrackLogRecord ReadEntry(const std::string& entry)
{
    TrackLogRecord record;
    const std::vector<std::string> fields = Split(entry, Separator);
    for (std::size_t i = 0; i + 1 < fields.size(); ++i)
        ReadField(fields[i], record);
    return record;
}

} // namespace

std::vector<uint8_t> Encode(const std::vector<TrackLogRecord>& log)
{
    std::vector<uint8_t> bytes(Marker.begin(), Marker.end());
    for (std::size_t i = 0; i + 1 < log.size(); ++i) {
        if (log[i].F <= 0)
            continue;
        for (char c : EntryText(log[i])) {
            bytes.push_back(static_cast<uint8_t>(c));
            bytes.push_back(0);
        }
    }
    return bytes;
}

int32_t Decode(const uint8_t* bytes, int64_t count, std::vector<TrackLogRecord>& log)
{
    std::string text;
    for (int64_t i = 0; i < count; i += 2)
        text += static_cast<char>(bytes[i]);
    const std::vector<std::string> entries = Split(text, Terminator);
    std::vector<TrackLogRecord> decoded;
    try {
        for (const std::string& entry : entries)
            decoded.push_back(ReadEntry(entry));
    } catch (const RuntimeError&) {
        log.assign(1, TrackLogRecord{});
        return 0;
    }
    log = std::move(decoded);
    return static_cast<int32_t>(log.size()) - 1;
}

} // namespace TrackLogTrailer
