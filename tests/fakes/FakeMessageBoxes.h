#pragma once

#include "platform/MessageBoxes.h"

#include <deque>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// Stands in for the message boxes while it lives: records every box and answers at
// once, with the queued answers in order and then with each box's default button. A box
// that names a Windows component fails the test that shows it.
class FakeMessageBoxes : public MessageBoxes::Backend
{
public:
    struct Box
    {
        std::string prompt;
        int style = 0;
        std::string title;       // as the caller passed it
        std::string shownTitle;  // as the user would see it
        std::vector<MessageBoxes::Result> buttons;
        int icon = 0;            // vbCritical, vbQuestion, vbExclamation, vbInformation or 0
        MessageBoxes::Result defaultButton = MessageBoxes::vbOK;
    };

    FakeMessageBoxes() { MessageBoxes::SetBackend(this); }
    ~FakeMessageBoxes() override { MessageBoxes::SetBackend(nullptr); }
    FakeMessageBoxes(const FakeMessageBoxes&) = delete;
    FakeMessageBoxes& operator=(const FakeMessageBoxes&) = delete;

    void Answer(MessageBoxes::Result result) { answers_.push_back(result); }

    int Show(const std::string& prompt, int style, const std::string& title) override
    {
        // The user reads of this system's parts, not of another system's components.
        for (const char* name : {"DirectSound", "DirectX", "MSComm", "Windows", "COM port", ".dll", ".DLL"})
            EXPECT_EQ(prompt.find(name), std::string::npos) << "a box names " << name << ": " << prompt;
        boxes.push_back({prompt, style, title, MessageBoxes::ShownTitle(title), MessageBoxes::Buttons(style),
                         style & 0x70, MessageBoxes::DefaultResult(style)});
        if (answers_.empty())
            return boxes.back().defaultButton;
        const MessageBoxes::Result answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    const Box& Last() const { return boxes.back(); }

    std::vector<Box> boxes;

private:
    std::deque<MessageBoxes::Result> answers_;
};
