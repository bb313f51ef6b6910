#pragma once

#include "platform/toolkit.h"

#include <deque>
#include <string>
#include <vector>

namespace psa::testing {

// Dialogs answered from a script: queued file names and Yes/No answers. Every question and message is kept.
// A dialog with nothing queued fails the test by throwing std::out_of_range, instead of blocking it.
class FakeDialogs : public Dialogs {
public:
    struct Question {
        std::u16string prompt;
        std::u16string title;
    };

    [[nodiscard]] std::u16string ShowSave(const FileDialogRequest &request) override
    {
        fileRequests.push_back(request);
        const std::u16string name = fileNames.at(0);
        fileNames.pop_front();
        return name;
    }
    [[nodiscard]] MsgBoxAnswer askYesNo(std::u16string_view prompt, std::u16string_view title) override
    {
        questions.push_back({ std::u16string(prompt), std::u16string(title) });
        const MsgBoxAnswer answer = answers.at(0);
        answers.pop_front();
        return answer;
    }
    void inform(std::u16string_view message, std::u16string_view title) override
    {
        messages.push_back({ std::u16string(message), std::u16string(title) });
    }
    void endProgram() override { ++endRequests; }

    std::deque<std::u16string> fileNames;
    std::deque<MsgBoxAnswer> answers;
    std::vector<FileDialogRequest> fileRequests;
    std::vector<Question> questions;
    std::vector<Question> messages;
    int endRequests = 0;
};

} // namespace psa::testing
