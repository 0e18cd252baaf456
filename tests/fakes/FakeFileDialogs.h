#pragma once

#include "platform/FileDialogs.h"

#include <deque>
#include <string>
#include <utility>
#include <vector>

// Stands in for the file and colour dialogs while it lives: records every request and
// answers at once as scripted; an unscripted dialog is cancelled.
class FakeFileDialogs : public FileDialogs::Backend
{
public:
    using DefinedColours = std::vector<std::pair<int, uint32_t>>;  // custom-colour index and colour

    FakeFileDialogs() { FileDialogs::SetBackend(this); }
    ~FakeFileDialogs() override { FileDialogs::SetBackend(nullptr); }
    FakeFileDialogs(const FakeFileDialogs&) = delete;
    FakeFileDialogs& operator=(const FakeFileDialogs&) = delete;

    // filterIndex 0 keeps the type the request selected.
    void ChooseFile(const std::string& path, int filterIndex = 0) { fileAnswers_.push_back({true, path, filterIndex}); }
    void CancelFile() { fileAnswers_.push_back({}); }

    // The user may define custom colours before choosing or cancelling.
    void ChooseColour(uint32_t colour, DefinedColours defined = {}) { colourAnswers_.push_back({true, colour, defined}); }
    void CancelColour(DefinedColours defined = {}) { colourAnswers_.push_back({false, 0, defined}); }

    FileDialogs::FileResult ShowFile(const FileDialogs::FileRequest& request) override
    {
        fileRequests.push_back(request);
        if (fileAnswers_.empty())
            return {};
        FileDialogs::FileResult answer = fileAnswers_.front();
        fileAnswers_.pop_front();
        if (answer.chosen && answer.filterIndex == 0)
            answer.filterIndex = request.filterIndex;
        return answer;
    }

    FileDialogs::ColourResult ShowColour(const FileDialogs::ColourRequest& request) override
    {
        colourRequests.push_back(request);
        FileDialogs::ColourResult result;
        result.customColours = request.customColours;
        if (colourAnswers_.empty())
            return result;
        const ColourAnswer answer = colourAnswers_.front();
        colourAnswers_.pop_front();
        for (const auto& [index, colour] : answer.defined)
            result.customColours.at(static_cast<std::size_t>(index)) = colour;
        result.chosen = answer.chosen;
        result.colour = answer.colour;
        return result;
    }

    std::vector<FileDialogs::FileRequest> fileRequests;
    std::vector<FileDialogs::ColourRequest> colourRequests;

private:
    struct ColourAnswer
    {
        bool chosen = false;
        uint32_t colour = 0;
        DefinedColours defined;
    };

    std::deque<FileDialogs::FileResult> fileAnswers_;
    std::deque<ColourAnswer> colourAnswers_;
};
