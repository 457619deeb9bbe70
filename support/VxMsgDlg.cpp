#include "support/VxMsgDlg.h"

#include "support/UserText.h"

#include "platform/Platform.h"
#include "support/VxExceptions.h"

#include <cstdio>

namespace {

StreamPresenter g_defaultPresenter(stderr);
MessagePresenter* g_presenter = nullptr;
std::string g_title = "adoxport";

} // namespace

int32_t StreamPresenter::ShowBox(const MessageBoxRequest& Request) {
    if (Request.Caption == ApplicationTitle() && (Request.Style & 0xF0) == MB_ICONSTOP_) ++FErrorBoxes;
    std::fprintf(FStream, "%s: %s\n", platform::Utf8FromCp1252(Request.Caption).c_str(),
                 ConsoleLines(Request.Text).c_str());
    std::fflush(FStream);
    return StyleButtons(Request.Style)[static_cast<std::size_t>(StyleDefaultIndex(Request.Style))];
}

std::optional<std::string> StreamPresenter::InputQuery(const std::string& Caption,
                                                       const std::string& Prompt) {
    std::fprintf(FStream, "%s: %s\n", platform::Utf8FromCp1252(Caption).c_str(),
                 ConsoleLines(Prompt).c_str());
    return std::nullopt;
}

std::string ConsoleLines(std::string_view Text, ConsoleBreaks Breaks) {
    std::string Lines;
    Lines.reserve(Text.size());
    std::size_t Plain = 0; // start of the bytes not written yet
    const auto Put = [&](std::size_t I, std::string_view Written) {
        Lines += platform::Utf8FromCp1252(Text.substr(Plain, I - Plain));
        Lines += Written;
    };
    for (std::size_t I = 0; I < Text.size(); ++I) {
        const auto C = static_cast<unsigned char>(Text[I]);
        // The five bytes CP1252 leaves undefined map to C1 controls, such as OSC.
        const bool Control =
            C < 0x20 || C == 0x7F || (C >= 0x80 && C < 0xA0 && platform::Cp1252ToUnicode(C) == C);
        if (!Control) continue;
        if (C == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n' && Breaks != ConsoleBreaks::None) {
            Put(I, "\n");
            Plain = I + 2;
            ++I;
            continue;
        }
        if (C == '\n' && Breaks == ConsoleBreaks::CrLfAndLf) {
            Put(I, "\n");
        } else if (C == '\t' || C == '\r' || C == '\n') {
            Put(I, C == '\t' ? "\\t" : C == '\r' ? "\\r" : "\\n");
        } else {
            static const char Hex[] = "0123456789ABCDEF";
            const char Code[] = {'\\', 'x', Hex[C >> 4], Hex[C & 0xF]};
            Put(I, std::string_view(Code, sizeof Code));
        }
        Plain = I + 1;
    }
    Put(Text.size(), {});
    return Lines;
}

uint32_t MessageDlgStyle(TMsgDlgType Kind, TMsgDlgButtons Buttons, TMsgDlgBtn DefaultButton) {
    uint32_t Style = MB_TASKMODAL_;
    switch (static_cast<int>(Kind)) {
    case mtWarning:
    case mtCustom: Style |= MB_ICONEXCLAMATION_; break;
    case mtError: Style |= MB_ICONSTOP_; break;
    case mtInformation: Style |= MB_ICONINFORMATION_; break;
    case mtConfirmation: Style |= MB_ICONQUESTION_; break;
    default: break;
    }
    // The set is compared as a whole: anything else, {OK} included, is one OK button.
    uint32_t B = MB_OK_;
    if (Buttons == MsgButtons({mbYes, mbNo}))
        B = MB_YESNO_;
    else if (Buttons == MsgButtons({mbYes, mbNo, mbCancel}))
        B = MB_YESNOCANCEL_;
    else if (Buttons == MsgButtons({mbOK, mbCancel}))
        B = MB_OKCANCEL_;
    else if (Buttons == MsgButtons({mbCancel, mbRetry}))
        B = MB_RETRYCANCEL_;
    else if (Buttons == MsgButtons({mbAbort, mbRetry, mbIgnore}))
        B = MB_ABORTRETRYIGNORE_;
    Style |= B;

    const bool First = DefaultButton == mbYes || DefaultButton == mbOK ||
                       (DefaultButton == mbAbort && (B == 2 || B == 3)) ||
                       (DefaultButton == mbRetry && B == 5);
    const bool Second = DefaultButton == mbNo ||
                        (DefaultButton == mbCancel && (B == 1 || B == 3 || B == 5)) ||
                        (DefaultButton == mbRetry && (B == 2 || B == 3));
    if (!First) Style |= Second ? MB_DEFBUTTON2_ : MB_DEFBUTTON3_;
    return Style;
}

std::string MessageDlgCaption(int Kind) {
    switch (Kind) {
    case mtWarning:
    case mtCustom: return "Avviso";
    case mtError: return "Errore";
    case mtInformation: return "Informazione";
    case mtConfirmation: return "Conferma";
    default: return {};
    }
}

MessagePresenter& CurrentPresenter() {
    return g_presenter ? *g_presenter : g_defaultPresenter;
}

void SetMessagePresenter(MessagePresenter* P) {
    g_presenter = P;
}

std::vector<int32_t> StyleButtons(uint32_t Style) {
    switch (Style & 0xF) {
    case MB_OKCANCEL_: return {idOK, idCancel};
    case MB_ABORTRETRYIGNORE_: return {idAbort, idRetry, idIgnore};
    case MB_YESNOCANCEL_: return {idYes, idNo, idCancel};
    case MB_YESNO_: return {idYes, idNo};
    case MB_RETRYCANCEL_: return {idRetry, idCancel};
    default: return {idOK};
    }
}

int StyleDefaultIndex(uint32_t Style) {
    // A default position past the last button falls back to the first, as the system box does.
    const int Pos = static_cast<int>((Style >> 8) & 0x3);
    return Pos < static_cast<int>(StyleButtons(Style).size()) ? Pos : 0;
}

int32_t ShowMessageDlg(const std::string& Text, TMsgDlgType Kind, TMsgDlgButtons Buttons,
                       TMsgDlgBtn DefaultButton) {
    MessageBoxRequest R{MessageDlgCaption(Kind), Text, MessageDlgStyle(Kind, Buttons, DefaultButton)};
    const int32_t Pressed = CurrentPresenter().ShowBox(R);
    return Pressed >= idOK && Pressed <= idNo ? Pressed : idNone;
}

void SetApplicationTitle(const std::string& Title) {
    g_title = Title;
}

const std::string& ApplicationTitle() {
    return g_title;
}

std::string ErrorBoxText(const std::string& Message) {
    // Compared as unsigned bytes: an accented last letter (0xE8) is above '.'.
    if (!Message.empty() && static_cast<unsigned char>(Message.back()) > '.') return Message + ".";
    return Message;
}

void ShowApplicationError(const std::exception& E) {
    if (dynamic_cast<const EAbort*>(&E)) return;
    const std::string Text = UserText(E);
    CurrentPresenter().ShowBox({ApplicationTitle(), ErrorBoxText(Text), MB_OK_ | MB_ICONSTOP_});
    // The lines the user reads in other words stay on standard error as
    // raised, for whoever looks for them there.
    const std::string_view Raised = E.what();
    for (std::size_t At = 0; At <= Raised.size();) {
        std::size_t End = Raised.find("\r\n", At);
        if (End == std::string_view::npos) End = Raised.size();
        const std::string Line(Raised.substr(At, End - At));
        if (!Line.empty() && ("\r\n" + Text + "\r\n").find("\r\n" + Line + "\r\n") == std::string::npos)
            std::fprintf(stderr, "%s: %s\n", ApplicationTitle().c_str(), ConsoleLines(Line).c_str());
        At = End + 2;
    }
}
