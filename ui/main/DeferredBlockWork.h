#pragma once

#include <QTimer>

#include <cstdint>

struct PanelHub;

// The work each processed block leaves for the moment the loop is free: the meters' and the
// statistics' readings, a filter redesign asked for meanwhile, the signal centre and what
// follows it (the dynamic filter and the automatic notch), and the receiver model's choices
// kept consistent with the oscillator's control. It owns no controls: what it shows on the
// front panel it asks for through the hub.
class DeferredBlockWork
{
public:
    explicit DeferredBlockWork(PanelHub& hub);
    DeferredBlockWork(const DeferredBlockWork&) = delete;
    DeferredBlockWork& operator=(const DeferredBlockWork&) = delete;

    // A processed block was handed on to playback: the work runs once the loop is free, once.
    void Schedule();
    void tmrPerfStats_Timer();

    int32_t PeakCentre = 0;      // Hz: the received signal's estimated centre
    int32_t DynLastCentre = 0;   // Hz: where the dynamic filter was last moved to
    QTimer tmrPerfStats;

private:
    void ServePendingRedesign();
    void EstimateSignalCentre();
    void TrackDynamicFilter();
    void TrackAutomaticNotch();
    void RedesignNotch();
    void KeepInjectionConsistent();

    PanelHub& hub_;
    bool perfStatsBusy_ = false;
};
