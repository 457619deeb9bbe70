#include "support/UserText.h"

#include "support/VxExceptions.h"
#include "support/VxStrUtils.h"

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

constexpr std::string_view DateEncode = "Invalid argument to date encode";

struct Translation {
    std::string_view English; // the line starts with it, a path follows
    const char* Italian;      // %s stands for the path
    const char* Advice;       // a line on what to do, may be empty
};

const Translation kFileLines[] = {
    {"Cannot open file ", "Impossibile aprire il file %s",
     "Controllare che la cartella dei dati sia quella esportata dal programma di gestione della scuola e che "
     "il file si possa leggere."},
    {"Cannot create file ", "Impossibile creare il file %s",
     "Controllare che nella cartella si possa scrivere (permessi, spazio libero, supporto non protetto) e "
     "riprovare."},
    {"Error reading file ", "Errore nella lettura del file %s",
     "Controllare che il file esista e si possa leggere, poi riprovare."},
    {"Error writing file ", "Errore nella scrittura del file %s",
     "Controllare che nella cartella si possa scrivere (permessi, spazio libero) e che il file non sia "
     "aperto in un altro programma, poi riprovare."},
};

std::vector<std::string> Lines(std::string_view Text) {
    std::vector<std::string> Result;
    for (;;) {
        const std::size_t End = Text.find("\r\n");
        Result.emplace_back(Text.substr(0, End));
        if (End == std::string_view::npos) return Result;
        Text.remove_prefix(End + 2);
    }
}

std::string WithReason(const std::string& Line, int Errno) {
    const std::string Reason = SystemReason(Errno);
    return Reason.empty() ? Line : Line + ": " + Reason;
}

// The Italian lines for one line, or nothing when it is not a known English one.
std::vector<std::string> Translated(const std::string& Line, int Errno) {
    for (const Translation& T : kFileLines) {
        if (!Line.starts_with(T.English)) continue;
        std::string Italian = WithReason(FormatMsg(T.Italian, Line.substr(T.English.size())), Errno) + ".";
        return {Italian, T.Advice};
    }
    // "Invalid data packet <file>, line <n>: <reason>"
    constexpr std::string_view Packet = "Invalid data packet ";
    const std::size_t At = Line.rfind(", line ");
    if (Line.starts_with(Packet) && At != std::string::npos && At > Packet.size()) {
        const std::string File = Line.substr(Packet.size(), At - Packet.size());
        const std::string Where = Line.substr(At + 7);
        return {"Il file " + File + " non \xE8 un pacchetto di dati leggibile (riga " + Where + ").",
                "Il file \xE8 danneggiato o non viene dal programma di gestione della scuola: esportare "
                "di nuovo i dati da quel programma nella cartella dei dati."};
    }
    return {};
}

} // namespace

std::string SystemReason(int Errno) {
    switch (Errno) {
    case 0: return {};
    case ENOENT: return "il file o la cartella non esiste";
    case EACCES:
    case EPERM: return "permesso negato";
    case EROFS: return "il disco \xE8 in sola lettura";
    case ENOSPC: return "il disco \xE8 pieno";
    case EISDIR: return "al suo posto c'\xE8 una cartella";
    case ENOTDIR: return "una parte del percorso non \xE8 una cartella";
    case EEXIST: return "esiste gi\xE0";
    case EBUSY:
    case ETXTBSY: return "\xE8 in uso";
    case EIO: return "errore di lettura o scrittura del disco";
    case ENAMETOOLONG: return "il nome \xE8 troppo lungo";
    case EMFILE:
    case ENFILE: return "troppi file aperti";
    case ENOMEM: return "memoria insufficiente";
    case EINVAL: return "non \xE8 un file regolare";
    default: return "errore di sistema " + std::to_string(Errno) + " (" + std::strerror(Errno) + ")";
    }
}

std::string UserText(std::string_view Message, int Errno) {
    std::vector<std::string> Source = Lines(Message);
    // The date line adds nothing to lines that say what is wrong.
    if (Source.size() > 1 && Source.back() == DateEncode) Source.pop_back();
    std::string Text;
    for (std::size_t I = 0; I < Source.size(); ++I) {
        std::vector<std::string> Italian = Translated(Source[I], I == 0 ? Errno : 0);
        if (Source[I] == DateEncode)
            Italian = {
                "La data del file dei parametri non si pu\xF2 leggere: il file manca o la sua data non "
                "\xE8 valida."};
        if (Italian.empty()) Italian = {I == 0 ? WithReason(Source[I], Errno) : Source[I]};
        for (const std::string& Line : Italian) {
            if (Line.empty()) continue;
            Text += (Text.empty() ? "" : "\r\n") + Line;
        }
    }
    return Text;
}

std::string UserText(const std::exception& E) {
    const auto* Vx = dynamic_cast<const EVxException*>(&E);
    return UserText(E.what(), Vx ? Vx->Code() : 0);
}
