#include "audio/TrackLog.h"

#include "core/Numeric.h"
#include "core/RuntimeError.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace TrackLogTrailer {
namespace {

constexpr char Separator = '\x04';
constexpr char Terminator = '\0';
const QString TimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
constexpr int64_t MaxTrailerBytes = 16 << 20;  // far more than any track log needs

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

// One field of an entry; false when its number or time cannot be read.
bool ReadField(std::string_view field, TrackLogRecord& record)
{
    const auto equals = field.find('=');
    const std::string_view key = field.substr(0, equals);
    const std::string_view value = equals == std::string_view::npos ? std::string_view() : field.substr(equals + 1);
    try {
        if (key == "F")
            record.F = Numeric::CLng(value);
        else if (key == "S")
            record.S = Numeric::CLng(value);
        else if (key == "E")
            record.E = Numeric::CLng(value);
        else if (key == "T")
            record.T = QDateTime::fromString(QString::fromLatin1(value.data(), static_cast<qsizetype>(value.size())),
                                             TimeFormat);
    } catch (const RuntimeError&) {
        return false;
    }
    return key != "T" || record.T.isValid();
}

// A well-formed entry is fields, each ended by the separator; false for anything else.
bool ReadEntry(std::string_view entry, TrackLogRecord& record)
{
    if (entry.back() != Separator)
        return false;
    for (std::size_t from = 0; from < entry.size();) {
        const std::size_t end = entry.find(Separator, from);
        if (!ReadField(entry.substr(from, end - from), record))
            return false;
        from = end + 1;
    }
    return true;
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
    text.reserve(static_cast<std::size_t>(count / 2));
    for (int64_t i = 0; i < count; i += 2)
        text += static_cast<char>(bytes[i]);

    // Empty entries (a trailer padded with zeros) are skipped; the log ends at the first
    // entry that is malformed or not terminated.
    log.clear();
    std::string_view rest(text);
    for (std::size_t end; (end = rest.find(Terminator)) != std::string_view::npos; rest.remove_prefix(end + 1)) {
        if (end == 0)
            continue;
        TrackLogRecord record;
        if (!ReadEntry(rest.substr(0, end), record))
            break;
        log.push_back(record);
    }
    const auto tracks = static_cast<int32_t>(log.size());
    log.emplace_back();
    return tracks;
}

int64_t Offset(int64_t dataStart, int64_t dataSize, int64_t length)
{
    if (dataSize > 0 && dataStart + dataSize <= length)
        return dataStart + dataSize < length ? dataStart + dataSize : 0;
    return dataSize == 0 && length > dataStart ? dataStart : 0;
}

int32_t Read(WavDisk& disk, int handle, int64_t offset, int64_t length, std::vector<TrackLogRecord>& log)
{
    if (offset <= 0 || offset >= length)
        return -1;
    std::vector<uint8_t> trailer(static_cast<std::size_t>(std::min(length - offset, MaxTrailerBytes)));
    int32_t got = 0;
    if (disk.ReadAt(handle, offset, trailer.data(), static_cast<int32_t>(trailer.size()), got) != 0)
        return -1;
    if (got < static_cast<int32_t>(Marker.size()) || !std::equal(Marker.begin(), Marker.end(), trailer.begin()))
        return -1;
    return Decode(trailer.data() + Marker.size(), got - static_cast<int64_t>(Marker.size()), log);
}

} // namespace TrackLogTrailer
