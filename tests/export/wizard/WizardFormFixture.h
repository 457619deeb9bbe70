#pragma once
// The current edition's main form on a copy of the demo's data, started and
// shown offscreen, and what its tests read back from the files it writes.

#include "export/wizard/AnomalyPage.h"
#include "export/wizard/CurrentEdition.h"
#include "export/wizard/ExportPage.h"
#include "export/wizard/RegistryPage.h"
#include "export/wizard/SitePage.h"
#include "export/wizard/WizardArguments.h"
#include "export/wizard/txadFMain.h"
#include "export/wizard/txadMMain.h"
#include "tests/common/RecordingPresenter.h"
#include "tests/common/TestSupport.h"
#include "tests/export/wizard/WizardTestData.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace wizardtest {

inline const std::string SiteMessage =
    "Per ogni codice meccanografico dev'essere selezionata\r\nuna e una sola descrizione: ";
inline const std::string ExCodeMessage =
    "Ex codice: il codice meccanografico dev'essere composto da 10 caratteri; ne ";

// A data folder with the demo's packets, optionally with its own registry
// packet, and the main form started on it and shown.
class WizardForm {
public:
    // Plan, when given, replaces the current edition's; it outlives the form.
    WizardForm(const std::string& Target, const std::string& Path,
               const std::vector<SchoolRow>* Rows = nullptr, const txad::EditionPlan* Plan = nullptr)
        : Dir(CopyDemoData(testsupport::SandboxDir())), FPlan(Plan ? Plan : &txad::CurrentEditionPlan()) {
        if (Rows) WriteRegistryPacket(Dir, *Rows);
        Start({Dir, Target, Path});
    }
    explicit WizardForm(std::vector<std::string> Args) : Dir(Args.empty() ? std::string() : Args[0]) {
        Start(std::move(Args));
    }
    // Created as the program with a window creates it, and not yet shown:
    // the start-up runs behind the window once the test shows it.
    struct BehindWindow {};
    WizardForm(BehindWindow, std::vector<std::string> Args) : Dir(Args.empty() ? std::string() : Args[0]) {
        Form = new TfmTxadMain(Dm, *FPlan, txad::ParseWizardArguments(Args));
        Form->StartsBehindWindow = true;
        Form->Create();
    }
    ~WizardForm() { delete Form.data(); }
    WizardForm(const WizardForm&) = delete;
    WizardForm& operator=(const WizardForm&) = delete;

    template <class T>
    T* Find(const char* Name) const {
        T* Widget = Form->findChild<T*>(Name);
        EXPECT_NE(Widget, nullptr) << Name;
        return Widget;
    }
    QPushButton* Button(const char* Name) const { return Find<QPushButton>(Name); }
    void Next() const { QTest::mouseClick(Button("buNext"), Qt::LeftButton); }
    void Back() const { QTest::mouseClick(Button("buPrior"), Qt::LeftButton); }
    int Page() const { return Form->ActivePageIndex(); }
    txad::AnomalyPage* Anomalies() const { return Form->FindPage<txad::AnomalyPage>(); }
    txad::RegistryPage* Registry() const { return Form->FindPage<txad::RegistryPage>(); }
    txad::ExportPage* Export() const { return Form->FindPage<txad::ExportPage>(); }
    // Replaces the edit's text as a user would: select all, then type.
    void Type(const char* Edit, const QString& Text) const {
        QLineEdit* Line = Find<QLineEdit>(Edit);
        Line->setFocus();
        Line->selectAll();
        if (Text.isEmpty())
            QTest::keyClick(Line, Qt::Key_Delete);
        else
            QTest::keyClicks(Line, Text);
    }
    std::vector<std::string> Output(const char* Name) const { return FileLines(Dir + Name); }

    RecordingPresenter Boxes;
    std::string Dir;
    TdmTxadMain Dm;
    QPointer<TfmTxadMain> Form;

private:
    const txad::EditionPlan* FPlan = &txad::CurrentEditionPlan();
    void Start(std::vector<std::string> Args) {
        Form = new TfmTxadMain(Dm, *FPlan, txad::ParseWizardArguments(Args));
        Form->Create();
        Form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Form.data()));
    }
};

// The school records of File014.txt: code, former code and name (trimmed).
struct SchoolRecord {
    std::string Code;
    std::string ExCode;
    std::string Name;
    bool operator==(const SchoolRecord&) const = default;
};

inline std::ostream& operator<<(std::ostream& Out, const SchoolRecord& R) {
    return Out << "{" << R.Code << "|" << R.ExCode << "|" << R.Name << "}";
}

inline std::string RightTrimmed(std::string Text) {
    while (!Text.empty() && Text.back() == ' ') Text.pop_back();
    return Text;
}

inline std::vector<SchoolRecord> SchoolRecords(const std::vector<std::string>& Lines) {
    std::vector<SchoolRecord> Records;
    for (const std::string& Line : Lines) {
        if (Line.compare(0, 4, "R014") != 0) continue;
        EXPECT_EQ(Line.size(), 345u) << Line;
        Records.push_back({Line.substr(4, 10), Line.substr(14, 10), RightTrimmed(Line.substr(24, 50))});
    }
    return Records;
}

inline const std::vector<SchoolRow> TwoSitesOfOneCode = {
    {"RMIC81500A", ".", "Sede centrale", "Via Roma 1"},
    {"RMIC81500A", ".", "Sede staccata", "Via Milano 2"},
    {"RMEE81501B", ".", "Primaria Pascoli", "Via Po 3"},
};

inline const std::vector<SchoolRow> ThreeSchools = {
    {"AAAA000001", ".", "Prima scuola", "Via Uno"},
    {"BBBB000002", "OLDB000002", "Seconda scuola", "Via Due"},
    {"CCCC000003", ".", "Terza scuola", "Via Tre"},
};

inline const std::vector<SchoolRow> TwoSchools = {
    {"AAAA000001", ".", "Prima scuola", "Via Uno"},
    {"BBBB000002", ".", "Seconda scuola", "Via Due"},
};

// Opens the registry page on path "1".
inline void ToRegistry(WizardForm& F) {
    ASSERT_EQ(F.Page(), 1);
    F.Next();
    ASSERT_EQ(F.Page(), 2);
}

inline void Activate(WizardForm& F) {
    F.Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(F.Form.data()));
}

} // namespace wizardtest
