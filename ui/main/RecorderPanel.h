#pragma once

#include "ui/common/ButtonArray.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>

class Frame;
class Label;
class PictureBox;
class QLineEdit;
class QListWidget;
class QWidget;
class Shape;
class clsWavFile;
struct PanelHub;

// The recorder: its bar (the transport buttons Record, Play, Pause, Stop, Next, Prev, Loop,
// Open, Save and Close, the record file name, the recording rate and bit depth, the time
// and size recorded) and the track panel that lists an open file's tracks over the presets
// frame. It owns the recorder object and the one-shot timers of its disk work, which run
// after the block loop has returned. The power switch, the presets frame and the block loop
// are reached through the hub.
class RecorderPanel : public QObject
{
public:
    // Builds the bar in form, its top at barTop (twips); the track panel comes later, when
    // CreateTrackPanel is called.
    RecorderPanel(QWidget* form, int barTop, PanelHub& hub);
    ~RecorderPanel() override;
    RecorderPanel(const RecorderPanel&) = delete;
    RecorderPanel& operator=(const RecorderPanel&) = delete;

    // The track panel (hidden) in container, which also holds the presets frame.
    void CreateTrackPanel(QWidget* container);
    // The recorder at the receive rate, in the program folder until the settings name another.
    void CreateWavFile();
    // The recorder's events and the controls' handlers; the options show the recorder's
    // stored rate and width, and the bar offers Record and Open only.
    void ConnectRecorder();
    // The time and size recorded in the scheme's focus colour.
    void ApplyColours();
    // The recording options and their frames in the colour of the recorder's state (recording,
    // or closed) again, once it has shown one, after the frames were given their normal colour.
    void RestoreOptionsColour();

    // The recorder's events and the disk work they ask for.
    void tmrPlaybackRead_Timer();
    void tmrRecorderWrite_Timer();
    void WavFile_PlayEnd();
    void WavFile_SamplesPlayed(int32_t CurrentTrack, int32_t NumSamples);
    void WavFile_CatalogueLoaded(int32_t NumberOfTracks);
    void WavFile_DiskRead(int32_t RecordingOffsetInBytes);

    void cmdWavCtls_Click(int Index);
    void optRecordSampleRate_Click(int Index);
    void optRecordSamplePerBit_Click(int Index);
    void txtRecordFileName_LostFocus();
    void lstRecordingLogs_Click();
    // The bar's buttons as ten digits, 1 enabled and 0 disabled, in index order.
    QString TransportPattern() const;
    bool InDiskReadSelect = false;   // the list's selection follows the played position

    QTimer tmrPlaybackRead;    // one shot: the recorder's disk read, outside the block loop
    QTimer tmrRecorderWrite;   // one shot: the recorder's disk write, outside the block loop

    PictureBox* picRecorder = nullptr;
    ButtonArray cmdWavCtls;
    PictureBox* picWavCtlsOffFocus = nullptr;
    QLineEdit* txtRecordFileName = nullptr;
    Frame* frRecordSampling = nullptr;
    ButtonArray optRecordSampleRate;
    Label* lblRecordMBytesPerHr = nullptr;
    Label* lblRecordTime = nullptr;
    Label* lblRecordSize = nullptr;
    Shape* shpLooping = nullptr;
    Frame* frRecordBitsPerSample = nullptr;
    ButtonArray optRecordSamplePerBit;

    PictureBox* picRecorderTrackList = nullptr;
    QLineEdit* txtRecordingLogHeaders = nullptr;
    QListWidget* lstRecordingLogs = nullptr;

    // Declared last, so that it goes first: its closing events find the panel whole.
    std::unique_ptr<clsWavFile> WavFile;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SelectRecorderOptions();
    void SetTransportPattern(const char* pattern);
    bool SomethingToPlay() const;
    void RunTransportAction(int Index);
    void RecordAction();
    void PlayAction();
    void PauseAction();
    void StopAction();
    void StepTrackAction(int step);
    void LoopAction();
    void OpenAction();
    void SaveAction();
    void CloseAction();
    void SetRecordingOptionsColour(uint32_t colour);
    void SelectRateOptionFor(int32_t samplesPerSecond);
    void ShowTrackPanel();
    void SelectTrackLine(int line);
    int32_t TrackOfLine(int line) const;

    PanelHub& hub_;
    bool transportBusy_ = false;
    bool playbackReadBusy_ = false;
    bool recorderWriteBusy_ = false;
    bool sampleRateOptionBusy_ = false;
    bool bitsOptionBusy_ = false;
    int rememberedSampleRateOption_ = 0;   // the last choices the recorder accepted
    int rememberedBitsOption_ = 0;
    std::optional<uint32_t> optionsColour_;   // the recording options' colour as last set
};
