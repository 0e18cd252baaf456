#pragma once

#include <QObject>

#include <cstdint>

// The recorder's events. The owner connects to them (Qt::DirectConnection, the default on
// one thread); they are raised on the calling thread, inside the block loop's calls.
class clsWavFileEvents : public QObject
{
    Q_OBJECT

signals:
    void ReadNextBlockFromDisk();   // playback: a half was used up; call ReadFromDisk soon
    void WriteNextBlockToDisk();    // recording: a half is full; call WriteToDisk soon
    void PlayEnd();                 // playback ran out of data
    void CatalogueLoaded(int32_t NumberOfTracks);
    void DiskRead(int32_t RecordingOffsetInBytes);
    void SamplesPlayed(int32_t CurrentTrack, int32_t NumSamples);  // CurrentTrack is always 0
};
