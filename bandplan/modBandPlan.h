#pragma once

#include "bandplan/BandRecord.h"

#include <QDateTime>

#include <cstdint>
#include <functional>
#include <string>

// Band plan files: one INI file per band with a section "MainBand", one "SubBand.<i>" per
// sub-band and one "Preset.<i>.<j>" per preset. A band's file is read the first time the band
// is selected and written back, key by key, when the main window closes: only loaded bands,
// only states that were read and then changed, so keys the program does not write this time
// (and keys added by hand) stay in the file as they were.
namespace modBandPlan {

// The records' room: sub-bands 0..17 and presets 0..11 are shown; one more of each is kept.
inline constexpr int32_t SubBandButtons = 18;
inline constexpr int32_t PresetButtons = 12;

inline bool BandPlanBusy = false;      // a band file is being read or written
inline bool BandPlanLoading = false;   // LoadBandPlan runs (the tracking timer stands still)
inline std::string BandPlanSection;    // the section ReadKey and WriteKey work in
inline std::string BandPlanFile;

// The clock that stamps presets; tests replace it.
inline std::function<QDateTime()> CurrentTime = [] { return QDateTime::currentDateTime(); };
// "yyyy-MM-dd HH:mm:ss", the form the preset window splits into date and time.
std::string DateTimeText(const QDateTime& when);

// Gives an unloaded band its default sub-bands (S1..S18, no frequencies) and presets
// (P1..P12, unused); a loaded band is left as it is.
bool InitBandPlan(BandRecord& band);

// Reads the band's file into its records (a missing file, section or key leaves the defaults;
// a file that exists but cannot be read is named in a message); lets window messages run
// while it reads. True when the band is loaded, false when another
// read or write is under way. Counts and indices out of the records' room are clamped.
bool LoadBandPlan(BandRecord& band);

// Writes a loaded band back to its file in one replacement of the file; a band never loaded
// is not touched. False, with LastSaveError set, when the file could not be written (or a
// read is under way: the save never waits for it, since it may be waiting for the save).
bool SaveBandPlan(BandRecord& band);
inline std::string LastSaveError;

// Every band in index order. Each failure is written to the trace log; the first failing run
// also shows one message naming the files that could not be written. False when any failed.
bool SaveAllBandPlans();

// The 24 settings keys of one state in BandPlanSection: read through the band file's
// reader (a value that does not convert reads as its key's default; the state is loaded)
// or written (only when both Loaded and Changed).
void ReadModeSettings(ModeSettingsRecord& state);
void WriteModeSettings(const ModeSettingsRecord& state);

// Reads one preset's settings keys on its first use (nothing when already loaded), the
// file read once; a value that does not convert reads as its key's default.
void LoadPresetSettings(int32_t bandIndex, int32_t subBandIndex, int32_t presetIndex);

// A key of BandPlanSection in the band file being read; the default when it is missing.
std::string ReadKey(const std::string& key, const std::string& defaultValue);
// Sets a key of BandPlanSection in the band file being saved (SaveBandPlan writes it whole).
void WriteKey(const std::string& key, const std::string& value);

} // namespace modBandPlan
