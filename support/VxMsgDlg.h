#pragma once
// The framework's one message box and the application's error box. Both reach
// the screen through a presenter: forms/ installs the QMessageBox one, the
// unattended mode a stream presenter, tests their own.

#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum TMsgDlgType { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3, mtCustom = 4 };

enum TMsgDlgBtn {
    mbYes = 0,
    mbNo = 1,
    mbOK = 2,
    mbCancel = 3,
    mbAbort = 4,
    mbRetry = 5,
    mbIgnore = 6,
    mbHelp = 10
};

// A button set: bit n stands for the button of ordinal n ({mbOK} is 4).
using TMsgDlgButtons = uint16_t;
constexpr TMsgDlgButtons MsgButtons(std::initializer_list<TMsgDlgBtn> Btns) {
    TMsgDlgButtons R = 0;
    for (auto B : Btns) R = static_cast<TMsgDlgButtons>(R | (1u << B));
    return R;
}

// Results: the system's button identifiers.
enum : int32_t {
    idNone = 0,
    idOK = 1,
    idCancel = 2,
    idAbort = 3,
    idRetry = 4,
    idIgnore = 5,
    idYes = 6,
    idNo = 7
};

// Style value bits of a message box.
enum : uint32_t {
    MB_OK_ = 0x0,
    MB_OKCANCEL_ = 0x1,
    MB_ABORTRETRYIGNORE_ = 0x2,
    MB_YESNOCANCEL_ = 0x3,
    MB_YESNO_ = 0x4,
    MB_RETRYCANCEL_ = 0x5,
    MB_ICONSTOP_ = 0x10,
    MB_ICONQUESTION_ = 0x20,
    MB_ICONEXCLAMATION_ = 0x30,
    MB_ICONINFORMATION_ = 0x40,
    MB_DEFBUTTON2_ = 0x100,
    MB_DEFBUTTON3_ = 0x200,
    MB_TASKMODAL_ = 0x2000
};

// The style value ShowMessageDlg passes to the system box (pure; e.g. Error,
// {OK}, Help gives 0x2210).
uint32_t MessageDlgStyle(TMsgDlgType Kind, TMsgDlgButtons Buttons, TMsgDlgBtn DefaultButton);
// Caption by kind: "Avviso", "Errore", "Informazione", "Conferma" or empty.
std::string MessageDlgCaption(int Kind);

// What a presenter shows: caption and text in CP1252, the style value that
// fixes icon, buttons (identifiers in order) and default position.
struct MessageBoxRequest {
    std::string Caption;
    std::string Text;
    uint32_t Style = 0;
};

class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    // Shows a modal box and returns the identifier of the pressed button.
    virtual int32_t ShowBox(const MessageBoxRequest& Request) = 0;
    // Asks for a line of text; nothing when the user cancels.
    virtual std::optional<std::string> InputQuery(const std::string& Caption, const std::string& Prompt) = 0;
};

// Writes every box to a stream as "caption: text" in UTF-8 and answers with
// its default button; counts the application's error boxes.
class StreamPresenter : public MessagePresenter {
public:
    explicit StreamPresenter(std::FILE* Stream) : FStream(Stream) {}
    int32_t ShowBox(const MessageBoxRequest& Request) override;
    // Writes the prompt; answers nothing.
    std::optional<std::string> InputQuery(const std::string& Caption, const std::string& Prompt) override;
    int ErrorBoxes() const { return FErrorBoxes; }

private:
    std::FILE* FStream;
    int FErrorBoxes = 0;
};

// Which line ends of a text become line breaks on the console; the others are
// escaped with the rest of the control bytes.
enum class ConsoleBreaks {
    None,      // one line: a report line, whose values come from the packets
    CrLf,      // the program's texts, whose lines end in CR LF
    CrLfAndLf, // message boxes, where the zip component's texts break at LF
};
// CP1252 text as UTF-8 for a terminal or a log reader. Control bytes that do
// not make a line break (ESC, NUL, TAB, a lone CR, DEL, the five bytes CP1252
// leaves undefined) are written as the tools' text modes write them: \t, \r,
// \n, \xHH. A value from a packet can thus neither send terminal sequences
// nor cut or forge a line. Backslashes stay as they are, so the program's own
// messages read unchanged.
std::string ConsoleLines(std::string_view Text, ConsoleBreaks Breaks = ConsoleBreaks::CrLfAndLf);

// The presenter in use; the default one is a stream presenter on stderr.
MessagePresenter& CurrentPresenter();
// Installs P (not owned); nullptr restores the default presenter.
void SetMessagePresenter(MessagePresenter* P);

// The button identifiers shown for a style value, in order, and the 0-based
// position of the default one.
std::vector<int32_t> StyleButtons(uint32_t Style);
int StyleDefaultIndex(uint32_t Style);

int32_t ShowMessageDlg(const std::string& Text, TMsgDlgType Kind, TMsgDlgButtons Buttons,
                       TMsgDlgBtn DefaultButton);

// The program's name: "adoxport" or "adoxport-classic"; caption of the error box.
void SetApplicationTitle(const std::string& Title);
const std::string& ApplicationTitle();

// Error-box text: a full stop is appended unless the message is empty or its
// last byte is <= '.' (so ".", "!" and ")" end it unchanged).
std::string ErrorBoxText(const std::string& Message);
// The application's error box for an exception that left a handler; EAbort
// shows nothing.
void ShowApplicationError(const std::exception& E);
