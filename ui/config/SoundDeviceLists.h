#pragma once

#include <cstdint>
#include <string>

class QComboBox;
class SoundDeviceChoice;

// The Soundcard tab's two device lists. Device k + 1 is entry k, each entry holding the
// name that opens the device; a chosen device that is not listed now is shown after them,
// marked as not found, so that the user sees which device is missing and keeps it chosen
// unless another is picked.
namespace SoundDeviceLists {

// Fills the list from the choice's devices and selects the device of the wanted name where
// it is listed, else the chosen one.
void Fill(QComboBox* list, const SoundDeviceChoice& choice, const std::string& wanted);
// The selected device's name; empty when nothing is selected.
std::string SelectedName(const QComboBox* list);
// The selected device's number; the chosen number for the entry of a device not found.
int32_t SelectedNumber(const QComboBox* list, int32_t chosenNumber);

} // namespace SoundDeviceLists
