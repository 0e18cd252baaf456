#pragma once

#include "platform/InputBoxes.h"

#include <deque>
#include <string>
#include <vector>

// Stands in for the question box while it lives: records every prompt and answers with the
// queued answers in order (nothing queued: cancelled).
class FakeInputBoxes : public InputBoxes::Backend
{
public:
    FakeInputBoxes() { InputBoxes::SetBackend(this); }
    ~FakeInputBoxes() override { InputBoxes::SetBackend(nullptr); }
    FakeInputBoxes(const FakeInputBoxes&) = delete;
    FakeInputBoxes& operator=(const FakeInputBoxes&) = delete;

    void Answer(std::optional<std::string> answer) { answers_.push_back(std::move(answer)); }

    std::optional<std::string> Ask(const std::string& prompt, const std::string&) override
    {
        prompts.push_back(prompt);
        if (answers_.empty())
            return std::nullopt;
        std::optional<std::string> answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    std::vector<std::string> prompts;

private:
    std::deque<std::optional<std::string>> answers_;
};
