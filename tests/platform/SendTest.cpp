// The mail client's outcome as xdg-email reports it: a fake xdg-email on
// PATH ends with each status the real one gives, or stays open like a client
// run in the foreground.

#include "platform/Platform.h"
#include "tests/common/TestSupport.h"

#include <QByteArray>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace platform;

namespace {

TEST(Mail, OutcomeFollowsTheMailHelpersStatus) {
    struct Row {
        const char* name;
        const char* script; // nullptr: no xdg-email on PATH
        MailOutcome outcome;
    };
    const Row Rows[] = {
        {"composed", "exit 0", MailOutcome::Composed},
        {"no tool to open it with", "exit 3", MailOutcome::NoMailClient},
        {"the client refused it", "exit 4", MailOutcome::NoMailClient},
        {"client still open", "sleep 4", MailOutcome::Composed},
        {"no helper at all", nullptr, MailOutcome::NoMailClient},
    };
    const std::string Dir = testsupport::SandboxDir() + "/fake-mail/";
    const QByteArray Path = qgetenv("PATH");
    for (const Row& row : Rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        if (row.script) {
            testsupport::WriteFileBytes(Dir + "xdg-email", std::string("#!/bin/sh\n") + row.script + "\n");
            fs::permissions(Dir + "xdg-email", fs::perms::owner_all);
        }
        // Only the fake's folder and the shell's: a real xdg-email stays out.
        qputenv("PATH", QByteArray::fromStdString(Dir) + ":/bin");
        const auto Start = std::chrono::steady_clock::now();
        EXPECT_EQ(ComposeMail({"scuola@example.invalid", "Oggetto", "Testo", {"/tmp/a.txt"}}), row.outcome);
        // A client left open is not waited for.
        EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(5));
        qputenv("PATH", Path);
    }
}

} // namespace
