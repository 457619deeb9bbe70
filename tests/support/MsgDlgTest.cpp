#include "support/VxExceptions.h"
#include "support/VxMsgDlg.h"
#include "tests/common/RecordingPresenter.h"

#include <gtest/gtest.h>

namespace {

// Records every box and answers with a scripted button.
class MsgDlg : public ::testing::Test {
protected:
    void SetUp() override { SetMessagePresenter(&FPresenter); }
    void TearDown() override {
        SetMessagePresenter(nullptr);
        SetApplicationTitle("adoxport");
    }
    RecordingPresenter FPresenter;
};

} // namespace

TEST(MessageDlgStyle, Table) {
    struct Row {
        const char* name;
        int kind;
        TMsgDlgButtons buttons;
        TMsgDlgBtn def;
        uint32_t style;
    };
    const Row rows[] = {
        {"error, OK, no default", mtError, MsgButtons({mbOK}), mbHelp, 0x2210},
        {"warning, OK", mtWarning, MsgButtons({mbOK}), mbOK, 0x2030},
        {"custom looks like warning", mtCustom, MsgButtons({mbOK}), mbOK, 0x2030},
        {"information", mtInformation, MsgButtons({mbOK}), mbOK, 0x2040},
        {"unknown kind has no icon", 7, MsgButtons({mbOK}), mbOK, 0x2000},
        {"yes/no, default No", mtConfirmation, MsgButtons({mbYes, mbNo}), mbNo, 0x2124},
        {"yes/no, default Yes", mtConfirmation, MsgButtons({mbYes, mbNo}), mbYes, 0x2024},
        {"yes/no/help is one OK", mtConfirmation, MsgButtons({mbYes, mbNo, mbHelp}), mbHelp, 0x2220},
        {"yes/no/cancel, Cancel second", mtConfirmation, MsgButtons({mbYes, mbNo, mbCancel}), mbCancel,
         0x2123},
        {"yes/no/cancel, Abort first", mtConfirmation, MsgButtons({mbYes, mbNo, mbCancel}), mbAbort, 0x2023},
        {"yes/no/cancel, Retry second", mtConfirmation, MsgButtons({mbYes, mbNo, mbCancel}), mbRetry, 0x2123},
        {"ok/cancel, Cancel second", mtWarning, MsgButtons({mbOK, mbCancel}), mbCancel, 0x2131},
        {"ok/cancel, OK first", mtWarning, MsgButtons({mbOK, mbCancel}), mbOK, 0x2031},
        {"retry/cancel, Retry first", mtError, MsgButtons({mbCancel, mbRetry}), mbRetry, 0x2015},
        {"retry/cancel, Cancel second", mtError, MsgButtons({mbCancel, mbRetry}), mbCancel, 0x2115},
        {"abort/retry/ignore, Abort", mtError, MsgButtons({mbAbort, mbRetry, mbIgnore}), mbAbort, 0x2012},
        {"abort/retry/ignore, Retry", mtError, MsgButtons({mbAbort, mbRetry, mbIgnore}), mbRetry, 0x2112},
        {"abort/retry/ignore, Ignore", mtError, MsgButtons({mbAbort, mbRetry, mbIgnore}), mbIgnore, 0x2212},
        {"single OK, Cancel third", mtError, MsgButtons({mbOK}), mbCancel, 0x2210},
        {"yes/no, Retry lacking", mtConfirmation, MsgButtons({mbYes, mbNo}), mbRetry, 0x2224},
        {"yes/no, Abort lacking", mtConfirmation, MsgButtons({mbYes, mbNo}), mbAbort, 0x2224},
        {"yes/no, OK first", mtConfirmation, MsgButtons({mbYes, mbNo}), mbOK, 0x2024},
        {"empty set", mtInformation, 0, mbOK, 0x2040},
        {"OK plus Yes is no known set", mtInformation, MsgButtons({mbOK, mbYes}), mbOK, 0x2040},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(MessageDlgStyle(static_cast<TMsgDlgType>(r.kind), r.buttons, r.def), r.style);
    }
}

TEST(MessageDlgStyle, CaptionsAndButtonSetValues) {
    EXPECT_EQ(MessageDlgCaption(mtWarning), "Avviso");
    EXPECT_EQ(MessageDlgCaption(mtError), "Errore");
    EXPECT_EQ(MessageDlgCaption(mtInformation), "Informazione");
    EXPECT_EQ(MessageDlgCaption(mtConfirmation), "Conferma");
    EXPECT_EQ(MessageDlgCaption(mtCustom), "Avviso");
    EXPECT_EQ(MessageDlgCaption(9), "");
    EXPECT_EQ(MsgButtons({mbOK}), 4);
    EXPECT_EQ(MsgButtons({mbYes, mbNo}), 3);
}

TEST(MessageDlgStyle, ButtonsAndDefaultOfAStyle) {
    struct Row {
        uint32_t style;
        std::vector<int32_t> buttons;
        int defaultIndex;
    };
    const Row rows[] = {
        {0x2210, {idOK}, 0}, // third position past the only button
        {0x2124, {idYes, idNo}, 1},
        {0x2123, {idYes, idNo, idCancel}, 1},
        {0x2212, {idAbort, idRetry, idIgnore}, 2},
        {0x2015, {idRetry, idCancel}, 0},
        {0x2131, {idOK, idCancel}, 1},
        {0x2224, {idYes, idNo}, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.style);
        EXPECT_EQ(StyleButtons(r.style), r.buttons);
        EXPECT_EQ(StyleDefaultIndex(r.style), r.defaultIndex);
    }
}

TEST_F(MsgDlg, ShowsThroughThePresenter) {
    FPresenter.Answer = idOK;
    EXPECT_EQ(ShowMessageDlg("Codice errato", mtError, MsgButtons({mbOK}), mbHelp), idOK);
    ASSERT_EQ(FPresenter.Boxes.size(), 1u);
    EXPECT_EQ(FPresenter.Boxes[0].Caption, "Errore");
    EXPECT_EQ(FPresenter.Boxes[0].Text, "Codice errato");
    EXPECT_EQ(FPresenter.Boxes[0].Style, 0x2210u);

    FPresenter.Answer = idNo;
    EXPECT_EQ(ShowMessageDlg("Continuare?", mtConfirmation, MsgButtons({mbYes, mbNo}), mbNo), idNo);
    FPresenter.Answer = 42;
    EXPECT_EQ(ShowMessageDlg("x", mtInformation, MsgButtons({mbOK}), mbOK), idNone)
        << "unknown answers are none";
}

TEST(DefaultPresenter, AnswersWithTheDefaultButton) {
    SetMessagePresenter(nullptr);
    EXPECT_EQ(ShowMessageDlg("Continuare?", mtConfirmation, MsgButtons({mbYes, mbNo}), mbNo), idNo);
    EXPECT_EQ(ShowMessageDlg("Continuare?", mtConfirmation, MsgButtons({mbYes, mbNo}), mbYes), idYes);
    EXPECT_EQ(ShowMessageDlg("Errore", mtError, MsgButtons({mbOK}), mbHelp), idOK);
    EXPECT_EQ(ShowMessageDlg("Riprova", mtError, MsgButtons({mbAbort, mbRetry, mbIgnore}), mbIgnore),
              idIgnore);
    EXPECT_EQ(CurrentPresenter().InputQuery("Caption", "Prompt"), std::nullopt);
}

TEST(ErrorBox, FullStopRule) {
    struct Row {
        const char* name;
        std::string message, shown;
    };
    const Row rows[] = {
        {"empty", "", ""},
        {"letter", "File mancante", "File mancante."},
        {"full stop", "Fine.", "Fine."},
        {"exclamation", "Attenzione!", "Attenzione!"},
        {"parenthesis", "Variabile inesistente (X)", "Variabile inesistente (X)"},
        {"comma (44)", "a,", "a,"},
        {"hyphen (45)", "a-", "a-"},
        {"slash (47)", "a/", "a/."},
        {"digit", "Riga 3", "Riga 3."},
        {"question mark", "Perch\xE9?", "Perch\xE9?."},
        {"accented last byte is above the full stop", "perch\xE8", "perch\xE8."},
        {"blank", "a ", "a "},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(ErrorBoxText(r.message), r.shown);
    }
}

TEST_F(MsgDlg, ApplicationErrorBox) {
    SetApplicationTitle("adoxport-classic");
    ShowApplicationError(EAbort());
    EXPECT_TRUE(FPresenter.Boxes.empty()) << "EAbort shows nothing";

    testing::internal::CaptureStderr();
    ShowApplicationError(EVxInternalError("Pagina inesistente!"));
    ShowApplicationError(EVxError("Cartella mancante"));
    ShowApplicationError(std::runtime_error("Error reading file x"));
    // The box is in the user's words; the text as raised stays on stderr.
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "adoxport-classic: Error reading file x\n");
    ASSERT_EQ(FPresenter.Boxes.size(), 3u);
    for (const auto& B : FPresenter.Boxes) {
        EXPECT_EQ(B.Caption, "adoxport-classic");
        EXPECT_EQ(B.Style, static_cast<uint32_t>(MB_OK_ | MB_ICONSTOP_));
    }
    EXPECT_EQ(FPresenter.Boxes[0].Text, "Pagina inesistente!");
    EXPECT_EQ(FPresenter.Boxes[1].Text, "Cartella mancante.");
    EXPECT_EQ(FPresenter.Boxes[2].Text, "Errore nella lettura del file x.\r\nControllare che il file esista "
                                        "e si possa leggere, poi riprovare.");
}

TEST(Exceptions, CodeAndTree) {
    EVxError E("x", -7);
    EXPECT_EQ(E.Code(), -7);
    EXPECT_EQ(EVxInternalError("y").Code(), 0);
    const EVxException& Base = EVxInternalError("z");
    EXPECT_NE(dynamic_cast<const EVxError*>(&Base), nullptr);
}

// The unattended mode's boxes: one UTF-8 line each (CR LF pairs folded), the
// default button as the answer, and only the application's error boxes counted.
TEST(StreamPresenter, WritesEachBoxAndAnswersWithTheDefaultButton) {
    struct Row {
        const char* name;
        MessageBoxRequest request;
        std::string written;
        int32_t answer;
        int errorBoxes;
    };
    const Row rows[] = {
        {"application error",
         {"adoxport", "File mancante.", MB_OK_ | MB_ICONSTOP_},
         "adoxport: File mancante.\n",
         idOK,
         1},
        {"error kind is no application error",
         {"Errore", "Codice errato", MB_OK_ | MB_ICONSTOP_},
         "Errore: Codice errato\n",
         idOK,
         0},
        {"second default button",
         {"Conferma", "Continuare?", MB_YESNO_ | MB_ICONQUESTION_ | MB_DEFBUTTON2_},
         "Conferma: Continuare?\n",
         idNo,
         0},
        {"line pairs folded, CP1252 as UTF-8",
         {"adoxport", "Riga 1\r\nperch\xE8", MB_OK_},
         "adoxport: Riga 1\nperch\xC3\xA8\n",
         idOK,
         0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::FILE* Stream = std::tmpfile();
        ASSERT_NE(Stream, nullptr);
        StreamPresenter P(Stream);
        EXPECT_EQ(P.ShowBox(r.request), r.answer);
        EXPECT_EQ(P.ErrorBoxes(), r.errorBoxes);
        std::rewind(Stream);
        std::string Written(256, '\0');
        Written.resize(std::fread(Written.data(), 1, Written.size(), Stream));
        std::fclose(Stream);
        EXPECT_EQ(Written, r.written);
    }
}

// Console text: the line ends the kind of text allows become line breaks;
// every other control byte is escaped, so a packet value can neither send a
// terminal sequence, cut a line at NUL, nor forge a line of its own.
TEST(ConsoleLines, EscapesControlBytesAndBreaksLinesByKind) {
    struct Row {
        const char* name;
        std::string text;
        ConsoleBreaks breaks;
        std::string expected;
    };
    const Row rows[] = {
        {"plain CP1252 as UTF-8", "perch\xE8 \x80", ConsoleBreaks::None, "perch\xC3\xA8 \xE2\x82\xAC"},
        {"escape sequence", "\x1B]2;X\x07", ConsoleBreaks::CrLf, "\\x1B]2;X\\x07"},
        {"NUL does not cut", std::string("a\0b", 3), ConsoleBreaks::CrLf, "a\\x00b"},
        {"tab, DEL", "a\tb\x7F", ConsoleBreaks::CrLf, "a\\tb\\x7F"},
        {"undefined CP1252 bytes are C1 controls", "\x81\x8D\x8F\x90\x9D", ConsoleBreaks::CrLf,
         "\\x81\\x8D\\x8F\\x90\\x9D"},
        {"report line: no break at all", "a\r\n----\nb\rc", ConsoleBreaks::None, "a\\r\\n----\\nb\\rc"},
        {"log text: CR LF breaks, lone LF and CR do not", "a\r\nb\nc\rd", ConsoleBreaks::CrLf,
         "a\nb\\nc\\rd"},
        {"message box: LF breaks too", "a\r\nb\nc", ConsoleBreaks::CrLfAndLf, "a\nb\nc"},
        {"backslash and quote stay", "C:\\dir \"x\"", ConsoleBreaks::CrLf, "C:\\dir \"x\""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(ConsoleLines(r.text, r.breaks), r.expected);
    }
}
