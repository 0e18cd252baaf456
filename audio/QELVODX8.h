#pragma once

#include "audio/PlaybackBridge.h"
#include "audio/SoundDeviceChoice.h"
#include "audio/SoundRecovery.h"
#include "platform/SoundBackend.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// The sound-card engine: captures 16-bit blocks from one capture device and plays 16-bit
// blocks on one playback device, with one notification per block.
//
// Life: Created -> PrepareDevices (devices, buffers and events exist) -> StartSound
// (capture runs at once; playback starts itself during the OutDelay-th capture
// notification, after that block's DataReady) -> StopSound -> ReleaseDevices. Every one of
// these is harmless in any state and when called again; a device that cannot be opened is
// reported in a message box and leaves the engine stopped.
//
// Each device is kept by its name beside its index (audio/SoundDeviceChoice): the lists are
// read afresh at every opening of the devices (and by RefreshDevices), the named device is
// looked up first and its index corrected to where it is listed now; a named device that is
// missing is not replaced by whatever took its place, the message names it.
//
// Each capture notification reads the block, splits it into the event window's two
// channel arrays and raises DataReady; the receive chain answers with Output, which queues
// the processed block in the staging ring, and the block goes on at once, announced by
// DataOut, into the playback bridge (audio/PlaybackBridge), whose FIFO the playback device
// empties at its own pace on its own clock. Each playback notification (the device has
// taken a block's worth) sets the volume. Playback that runs out of sound plays silence for the
// time it missed and goes on; playback that takes nothing for seconds is opened again,
// once; a device that fails, goes away, or whose sound server ends is opened again by the
// recovery (audio/SoundRecovery), which tells the user only when that brings no sound back.
//
// The channel counts must be set before SamplesPerEvent, which sizes the arrays.
class QELVODX8 : public QObject
{
    Q_OBJECT

public:
    static constexpr int32_t ErrUnknownChannels = 1001;
    static constexpr int32_t ErrInvalidPropertyValue = 380;
    static constexpr int32_t MaxSamplesPerEvent = 2049;   // the event window's channel arrays
    // How the user reaches the configuration window from the window as it stands ("Config",
    // "Display: Full, then Config"); the main window sets it. Unset: "Config".
    static inline std::function<std::string()> ConfigurationPath;

    explicit QELVODX8(SoundBackend& backend, QObject* parent = nullptr);
    ~QELVODX8() override;
    QELVODX8(const QELVODX8&) = delete;
    QELVODX8& operator=(const QELVODX8&) = delete;

    int32_t FSampling() const { return fSampling_; }
    void SetFSampling(int32_t value) { fSampling_ = value; }
    int32_t BitsPerSample() const { return bitsPerSample_; }
    void SetBitsPerSample(int32_t value) { bitsPerSample_ = value; }
    int32_t NoChannelsIn() const { return noChannelsIn_; }
    void SetNoChannelsIn(int32_t value) { noChannelsIn_ = value; }
    int32_t NoChannelsOut() const { return noChannelsOut_; }
    void SetNoChannelsOut(int32_t value) { noChannelsOut_ = value; }
    int32_t SamplesPerEvent() const { return samplesPerEvent_; }
    // 1 to MaxSamplesPerEvent; other values raise RuntimeError ErrInvalidPropertyValue.
    void SetSamplesPerEvent(int32_t value);
    int32_t NoBlocksInBuffer() const { return noBlocksInBuffer_; }
    void SetNoBlocksInBuffer(int32_t value) { noBlocksInBuffer_ = value; }
    int32_t Inp2OutpBufferRatio() const { return inp2OutpBufferRatio_; }
    void SetInp2OutpBufferRatio(int32_t value) { inp2OutpBufferRatio_ = value; }
    // Set in hundredths of a decibel (floor -10000); read back as set when 0 or more,
    // otherwise in whole decibels.
    int32_t OutputAttenuation() const;
    void SetOutputAttenuation(int32_t value);
    // Setting an index chooses the device at that position (its name is taken from the list);
    // setting a name chooses that device wherever it is listed, and moves the index to it.
    int32_t CurrentCaptureDevice() const { return capChoice_.Index(); }
    void SetCurrentCaptureDevice(int32_t value) { capChoice_.SetIndex(value); }
    int32_t CurrentPlaybackDevice() const { return playChoice_.Index(); }
    void SetCurrentPlaybackDevice(int32_t value) { playChoice_.SetIndex(value); }
    const std::string& CurrentCaptureDeviceName() const { return capChoice_.Name(); }
    void SetCurrentCaptureDeviceName(const std::string& name) { capChoice_.SetName(name); }
    const std::string& CurrentPlaybackDeviceName() const { return playChoice_.Name(); }
    void SetCurrentPlaybackDeviceName(const std::string& name) { playChoice_.SetName(name); }
    int32_t LastErr() const { return lastErr_; }
    void SetLastErr(int32_t value) { lastErr_ = value; }
    bool InAction() const { return inAction_; }
    // The window that receives the notifications (frmDX8Events registers itself).
    SoundEventSink* EventForm() const { return eventForm_; }
    void SetEventForm(SoundEventSink* form) { eventForm_ = form; }

    int32_t OutDelay() const { return outDelay_; }
    bool Prepared() const { return prepared_; }
    bool OutBufferReadPtrWrap() const { return outBufferReadPtrWrap_; }
    bool OutBufferWritePtrWrap() const { return outBufferWritePtrWrap_; }

    void PrepareDevices();
    // The user's start and stop (the power switch, the configuration window, DRM).
    void StartSound();
    void StopSound();
    void ReleaseDevices();
    // Running, or bringing the sound back after its devices broke: the receiver is on.
    bool Running() const { return inAction_ || recovery_.Active(); }
    SoundRecovery& Recovery() { return recovery_; }

    // What the recovery does with devices that broke under the engine. DropDevices lets go
    // of both at once, without waiting for their streams to report stopped (what broke them
    // has stopped them already) and without letting the window's events run; Reopen lets go
    // of them and opens and starts them afresh as StartSound does, which is not the user's
    // start. A routine further up that let events run sees the engine changed under it.
    void DropDevices();
    void Reopen();
    // A playback device that keeps its own pace and has taken nothing for seconds while
    // running is opened again.
    void RestartPlaybackIfStalled();
    // The playback device's name, as messages give it.
    std::string PlaybackDeviceName() const;
    // The monotonic clock in seconds; 0 where there is none.
    static double MonotonicSeconds();
    // Where the user chooses another device, in a sentence.
    static std::string DeviceChoiceHint();

    // Fill DeviceNames with the devices' descriptions (device index i at position i - 1)
    // and return the upper bound, -1 for none.
    int32_t GetPlayDeviceNames(std::vector<std::string>& DeviceNames) const;
    int32_t GetCapDeviceNames(std::vector<std::string>& DeviceNames) const;
    // The devices as listed (device index i at position i - 1), names and descriptions.
    const std::vector<SoundDeviceInfo>& PlayDevices() const { return playChoice_.Devices(); }
    const std::vector<SoundDeviceInfo>& CapDevices() const { return capChoice_.Devices(); }
    const SoundDeviceChoice& PlaybackChoice() const { return playChoice_; }
    const SoundDeviceChoice& CaptureChoice() const { return capChoice_; }
    // Reads both lists afresh, and moves each index to where its named device is now.
    void RefreshDevices();

    // Handles one notification; true for a captured block.
    bool EventHandler(int32_t eventid, std::span<int16_t> Channel1, std::span<int16_t> Channel2);
    // Splits the captured block into the two channels.
    void Capture(std::span<int16_t> Channel1, std::span<int16_t> Channel2);
    // Queues one processed block; count is not used, a block is always SamplesPerEvent.
    void Output(std::span<const int16_t> Channel1, std::span<const int16_t> Channel2, int32_t count);

signals:
    // One captured block, raised after the split; the handler runs to completion first.
    void DataReady(std::span<int16_t> Channel1, std::span<int16_t> Channel2, int32_t NumSamples);
    // The capture is about to start, after a stop or at the recovery's attempt: the blocks
    // that follow do not continue those before.
    void CaptureStarting();
    // One processed block on its way to the playback device: the staging ring, the
    // position of the block about to be handed on and its size in bytes.
    void DataOut(std::span<int16_t> Buffer, int32_t Offset, int32_t NoSamples);

private:
    // The backend signals this relay, which passes the event on to the event window set at
    // the time, so that no backend ever holds a pointer to the window itself.
    class EventRelay : public SoundEventSink
    {
    public:
        explicit EventRelay(QELVODX8& engine) : engine_(engine) {}
        void DXCallback(int32_t eventId) override;

    private:
        QELVODX8& engine_;
    };

    void StartDevices();
    void StopDevices();
    bool OpenDevices();
    bool OpenDevice(SoundDirection direction, SoundDeviceChoice& choice);
    bool CreateBuffers();
    void CreateNotifications();
    void FillNotifications(SoundDirection direction, std::vector<PositionNotify>& table, int32_t bufferBytes,
                           int32_t blockBytes);
    bool DestroyEvents(std::vector<PositionNotify>& table, uint32_t epoch);
    void CloseDevices();
    void ReportOpenFailure(int32_t error, const std::string& why);
    void ShowSoundFailure(const char* routine, int32_t error, const std::string& why);
    bool WaitUntilStopped(SoundDirection direction, uint32_t epoch);

    void CapturePath(int32_t offset, std::span<int16_t> Channel1, std::span<int16_t> Channel2);
    void PlaybackPath();
    void ApplyVolume();
    void FeedPlayback();
    void TracePlaybackEvents();
    void DropOldestBlocks(int32_t blocks);
    void StartPlayback();
    void ResetPlayback();
    bool PlaybackStalled() const;
    void RestartStalledPlayback();
    void DropNotification(const std::string& what, int32_t error, const std::string& why);
    void UnknownChannels();
    int32_t RingBlocks() const;
    void AdvanceRingPosition(int32_t& position, bool& wrapped) const;
    int32_t StartDelay() const { return noBlocksInBuffer_ * inp2OutpBufferRatio_ - 1; }

    SoundBackend& backend_;
    EventRelay relay_{*this};
    SoundRecovery recovery_{*this};
    SoundEventSink* eventForm_ = nullptr;
    SoundDeviceChoice playChoice_{SoundDirection::Playback};
    SoundDeviceChoice capChoice_{SoundDirection::Capture};

    int32_t fSampling_ = 44100;
    int32_t bitsPerSample_ = 16;
    int32_t noChannelsIn_ = 2;
    int32_t noChannelsOut_ = 2;
    int32_t samplesPerEvent_ = 0;
    int32_t noBlocksInBuffer_ = 2;
    int32_t inp2OutpBufferRatio_ = 2;
    int32_t outputAttenuation_ = 5000;
    int32_t lastErr_ = 0;
    bool inAction_ = false;
    bool prepared_ = false;
    bool preparing_ = false;

    int32_t captureBlockBytes_ = 0;
    int32_t playbackBlockBytes_ = 0;
    int32_t captureBufferBytes_ = 0;
    int32_t playbackBufferBytes_ = 0;
    std::vector<int16_t> captureBlock_;
    std::vector<int16_t> outBuffer_;    // the staging ring
    std::vector<PositionNotify> captureNotify_{PositionNotify{}};
    std::vector<PositionNotify> playbackNotify_{PositionNotify{}};

    int32_t outDelay_ = 0;
    int32_t writePos_ = 0;
    int32_t readPos_ = 0;
    int32_t blocksQueued_ = 0;          // written and not yet handed to the playback bridge
    int32_t playbackStartFailures_ = 0; // failed playback starts in a row
    PlaybackBridge bridge_;
    double lastPlaybackSeconds_ = 0;    // when playback last took a block, or started
    int32_t stalledRestarts_ = 0;       // restarts of a stalled playback with nothing played since
    bool lateSpell_ = false;            // blocks were dropped since the last playback notification
    bool outBufferReadPtrWrap_ = false;
    bool outBufferWritePtrWrap_ = false;

    // Bumped by every prepare, release, start and stop, so that a routine that let events
    // run (or raised an event) can tell that the engine changed state under it.
    uint32_t epoch_ = 0;
};
