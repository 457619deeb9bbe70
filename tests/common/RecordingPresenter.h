#pragma once
// A message presenter for tests: installed for its lifetime, it records every
// box and question and answers from queues (OK and "cancelled" when empty), so
// no test waits on a modal dialog.

#include "support/VxMsgDlg.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

class RecordingPresenter : public MessagePresenter {
public:
    struct Query {
        std::string Caption, Prompt;
    };

    RecordingPresenter() { SetMessagePresenter(this); }
    ~RecordingPresenter() override { SetMessagePresenter(nullptr); }
    RecordingPresenter(const RecordingPresenter&) = delete;
    RecordingPresenter& operator=(const RecordingPresenter&) = delete;

    int32_t ShowBox(const MessageBoxRequest& Request) override {
        Boxes.push_back(Request);
        if (BoxAnswers.empty()) return Answer;
        const int32_t Result = BoxAnswers.front();
        BoxAnswers.pop_front();
        return Result;
    }
    std::optional<std::string> InputQuery(const std::string& Caption, const std::string& Prompt) override {
        Queries.push_back({Caption, Prompt});
        if (Answers.empty()) return std::nullopt;
        auto Result = Answers.front();
        Answers.pop_front();
        return Result;
    }
    // The texts of the boxes shown, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> Result;
        for (const auto& Box : Boxes) Result.push_back(Box.Text);
        return Result;
    }

    std::vector<MessageBoxRequest> Boxes;
    std::vector<Query> Queries;
    std::deque<int32_t> BoxAnswers;                 // then Answer
    std::deque<std::optional<std::string>> Answers; // then nothing
    int32_t Answer = idOK;
};
