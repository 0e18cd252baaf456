#pragma once

#include <optional>
#include <string>

// The one-line question box ("Enter SubBand Name"). Tests install a backend that records the
// prompt and answers at once.
namespace InputBoxes {

class Backend
{
public:
    virtual ~Backend() = default;
    // The text entered, or nothing when the user cancelled.
    virtual std::optional<std::string> Ask(const std::string& prompt, const std::string& title) = 0;
};

// The text entered; empty text when the user cancelled or entered nothing. An empty title
// shows the application title.
std::string InputBox(const std::string& prompt, const std::string& title = "");

void SetBackend(Backend* backend);   // nullptr restores the real box

} // namespace InputBoxes
