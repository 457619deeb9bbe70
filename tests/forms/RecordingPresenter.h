#pragma once
// A presenter that records every box and answers with a fixed identifier.

#include "support/VxMsgDlg.h"

#include <vector>

class RecordingPresenter : public MessagePresenter {
public:
    RecordingPresenter() { SetMessagePresenter(this); }
    ~RecordingPresenter() override { SetMessagePresenter(nullptr); }
    RecordingPresenter(const RecordingPresenter&) = delete;
    RecordingPresenter& operator=(const RecordingPresenter&) = delete;

    int32_t ShowBox(const MessageBoxRequest& Request) override {
        Boxes.push_back(Request);
        return Answer;
    }
    std::optional<std::string> InputQuery(const std::string&, const std::string&) override {
        return std::nullopt;
    }

    std::vector<MessageBoxRequest> Boxes;
    int32_t Answer = idOK;
};
