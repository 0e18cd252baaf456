#pragma once

#include "audio/WavDisk.h"

#include <QDateTime>

#include <cstdint>
#include <string_view>
#include <vector>

// One stretch of a recording during which the receiver stayed on one frequency.
struct TrackLogRecord
{
    QDateTime T;     // local date and time at which the track began
    int32_t F = 0;   // tuned frequency, tenths of a hertz
    int32_t S = 0;   // byte offset in the file of the track's first sample
    int32_t E = 0;   // the next track's S; for the last track 44 + data size + 1
};

// The track log of the recording in progress or of the file opened for playback. It
// always holds one more element than there are tracks: the last element is empty.
inline std::vector<TrackLogRecord> TrackLog{TrackLogRecord{}};

// The trailer that follows a recording's audio data: the marker, then the track log as
// text, two bytes per character (the character, then 0).
namespace TrackLogTrailer {

inline constexpr std::string_view Marker = "QELVO";
inline constexpr int32_t EntryBytes = 124;  // one track's 62 characters, two bytes each

// The marker and the text of every track with F > 0, the trailing empty element excluded.
std::vector<uint8_t> Encode(const std::vector<TrackLogRecord>& log);

// Reads the bytes that follow the marker into log (tracks, then one empty element) and
// returns the number of tracks: the well-formed entries before the first malformed one,
// empty entries skipped.
int32_t Decode(const uint8_t* bytes, int64_t count, std::vector<TrackLogRecord>& log);

// Where a file's trailer would begin: right after the data its chunk counts, or right after
// the header when the chunk counts none (an empty recording, or one whose header a recorder
// never finished); 0 where the data leaves no room for one.
int64_t Offset(int64_t dataStart, int64_t dataSize, int64_t length);

// Reads the trailer at offset of an open file of the given length into log; returns the
// number of tracks, or -1 (log untouched) when no trailer begins there or it cannot be read.
int32_t Read(WavDisk& disk, int handle, int64_t offset, int64_t length, std::vector<TrackLogRecord>& log);

} // namespace TrackLogTrailer
