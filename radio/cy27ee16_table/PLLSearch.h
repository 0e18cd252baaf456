#pragma once

#include "radio/cy27ee16_table/PLLEntry.h"

#include <cstdint>
#include <vector>

// The search that gives every CY27EE16 table slot its PLL setting: over the post divider N,
// the reference divider Qtotal and the feedback count Ptotal, the setting whose output,
// worked out in IEEE single precision, lies nearest the slot's nominal frequency.
// It runs only in the table generator and its test; the program stores its results.
namespace PLLSearch {

constexpr int SettingCount = 29901;  // slots 0 to 29900 hold a setting
constexpr std::int64_t FirstHz = 448000;
constexpr std::int64_t StepHz = 4000;
constexpr std::int64_t ReferenceHz = 10000000;

struct Candidate {
    int N = 0;
    int Qtotal = 0;
    int Ptotal = 0;
};

std::int64_t NominalHz(int slot);

// |output - F| with the VCO rounded once to single precision and its division by N
// rounded again, ties to even.
float Score(const Candidate& candidate, std::int64_t frequencyHz);

// Output equals F as a rational number: 10 MHz x Ptotal = F x Qtotal x N.
bool IsExact(const Candidate& candidate, std::int64_t frequencyHz);

// The chip's published pump bands by Ptotal for an exact setting; 4 for any other.
int ChargePump(int ptotal, bool exact);

// The winner of the search for one nominal frequency of the table's range (448 kHz to 120.048 MHz).
Candidate BestCandidate(std::int64_t frequencyHz);

PLLEntry Pack(const Candidate& candidate, bool exact);

PLLEntry SettingForSlot(int slot);

// Slots 0 to 29900 from the search, then the zero slot 29901.
std::vector<PLLEntry> SearchTable();

}  // namespace PLLSearch
