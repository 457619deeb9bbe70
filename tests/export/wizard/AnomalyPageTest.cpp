// The anomaly page: "Stampa Anomalie" saves the report as shown and opens
// it; its failures are told.

#include "tests/export/wizard/WizardFormFixture.h"

#include "forms/QtText.h"

#include <QPlainTextEdit>
#include <filesystem>

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;

using namespace wizardtest;

namespace {

std::string ExpectedLog(const QPlainTextEdit* Memo) {
    std::string Bytes;
    for (const QString& Line : Memo->toPlainText().split('\n')) Bytes += FromQString(Line) + "\r\n";
    return Bytes;
}

TEST(AnomalyPage, StampaWritesTheLogAndOpensIt) {
    WizardForm F("aie", "1");
    std::vector<std::string> Opened;
    F.Anomalies()->OpenDocument = [&](const std::string& Path) {
        Opened.push_back(Path);
        return true;
    };
    const QPlainTextEdit* Memo = F.Find<QPlainTextEdit>("meOut");
    QPushButton* Stampa = F.Button("buStampa");
    EXPECT_EQ(Stampa->text(), "&Stampa Anomalie");
    QTest::mouseClick(Stampa, Qt::LeftButton);
    QTest::mouseClick(Stampa, Qt::LeftButton);
    const std::string Log = ReadFileBytes(F.Dir + "Log.txt");
    // Pressed twice: the report once, as shown, in CP1252 with CR LF.
    EXPECT_EQ(Log, ExpectedLog(Memo));
    EXPECT_EQ(Log.rfind("VERIFICA DEI DATI ESPORTATI                   ", 0), 0u);
    EXPECT_NE(Log.find("\r\n" + std::string(78, '=') + "\r\n"), std::string::npos);
    // The demo has anomalies, whose reasons hold an accented letter.
    EXPECT_NE(Log.find("pu\xF2 essere"), std::string::npos);
    // The closing line ends the log.
    EXPECT_EQ(Log.substr(Log.size() - 81), "\n" + std::string(78, '=') + "\r\n");
    EXPECT_EQ(Opened, (std::vector<std::string>{F.Dir + "Log.txt", F.Dir + "Log.txt"}));
    EXPECT_TRUE(F.Boxes.Boxes.empty());
}

TEST(AnomalyPage, FailuresAreShown) {
    struct Case {
        const char* Name;
        bool LogIsFolder;
        bool OpenerWorks;
        const char* Message;
        bool Opens;
    };
    const Case Cases[] = {
        {"no viewer", false, false, "Il file \xE8 stato salvato in ", true},
        {"log cannot be written", true, true, "Impossibile creare il file ", false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        WizardForm F("aie", "1");
        if (C.LogIsFolder) fs::create_directory(F.Dir + "Log.txt");
        int Calls = 0;
        F.Anomalies()->OpenDocument = [&](const std::string&) {
            ++Calls;
            return C.OpenerWorks;
        };
        QTest::mouseClick(F.Button("buStampa"), Qt::LeftButton);
        EXPECT_EQ(Calls, C.Opens ? 1 : 0);
        ASSERT_EQ(F.Boxes.Boxes.size(), 1u);
        EXPECT_NE(F.Boxes.Boxes[0].Text.find(std::string(C.Message) + F.Dir + "Log.txt"), std::string::npos)
            << F.Boxes.Boxes[0].Text;
        if (C.LogIsFolder) {
            EXPECT_NE(F.Boxes.Boxes[0].Text.find("Log.txt: al suo posto c'\xE8 una cartella."),
                      std::string::npos)
                << F.Boxes.Boxes[0].Text;
        }
        EXPECT_TRUE(F.Form->isVisible());
    }
}

} // namespace
