// The user reads the low-level English messages in Italian, with the same
// file, the system's reason and what to do; other texts pass unchanged.

#include "support/UserText.h"
#include "support/VxExceptions.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <string>

namespace {

const std::string ReadAdvice =
    "Controllare che la cartella dei dati sia quella esportata dal programma di gestione "
    "della scuola e che il file si possa leggere.";

TEST(UserText, EnglishLinesAreToldInItalian) {
    const struct Case {
        const char* Name;
        std::string Message;
        int Errno;
        std::string Expected;
    } Cases[] = {
        {"a missing packet", "Cannot open file /d/Body622.xml", ENOENT,
         "Impossibile aprire il file /d/Body622.xml: il file o la cartella non esiste.\r\n" + ReadAdvice},
        {"a packet without a reason", "Cannot open file /d/Body622.xml", 0,
         "Impossibile aprire il file /d/Body622.xml.\r\n" + ReadAdvice},
        {"an output file held by a folder", "Cannot create file /d/Adoz001.txt", EISDIR,
         "Impossibile creare il file /d/Adoz001.txt: al suo posto c'\xE8 una cartella.\r\nControllare che "
         "nella "
         "cartella si possa scrivere (permessi, spazio libero, supporto non protetto) e riprovare."},
        {"a delivery copy refused", "Error writing file /h/File014.txt", EACCES,
         "Errore nella scrittura del file /h/File014.txt: permesso negato.\r\nControllare che nella cartella "
         "si "
         "possa scrivere (permessi, spazio libero) e che il file non sia aperto in un altro programma, poi "
         "riprovare."},
        {"a packet that is not one", "Invalid data packet /d/Body014.xml, line 3: not well-formed", 0,
         "Il file /d/Body014.xml non \xE8 un pacchetto di dati leggibile (riga 3: not well-formed).\r\nIl "
         "file \xE8 "
         "danneggiato o non viene dal programma di gestione della scuola: esportare di nuovo i dati da quel "
         "programma nella cartella dei dati."},
        {"the date line after the lines that say why",
         "File dei parametri non trovato: /i/ETC/datrex/aie.ufp\r\nInvalid argument to date encode", 0,
         "File dei parametri non trovato: /i/ETC/datrex/aie.ufp"},
        {"the date line alone", "Invalid argument to date encode", 0,
         "La data del file dei parametri non si pu\xF2 leggere: il file manca o la sua data non \xE8 "
         "valida."},
        {"an Italian text with a reason", "Errore di scrittura del file /d/File014.txt", ENOSPC,
         "Errore di scrittura del file /d/File014.txt: il disco \xE8 pieno"},
        {"any other text", "Esportazione interrotta dal segnale 15", 0,
         "Esportazione interrotta dal segnale 15"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(UserText(C.Message, C.Errno), C.Expected);
    }
}

TEST(UserText, AnExceptionCarriesItsReasonAsItsCode) {
    EXPECT_EQ(UserText(EVxError("Cannot open file /d/Body815.xml", EACCES)),
              "Impossibile aprire il file /d/Body815.xml: permesso negato.\r\n" + ReadAdvice);
    EXPECT_EQ(UserText(std::runtime_error("Cannot open file /d/Body815.xml")),
              "Impossibile aprire il file /d/Body815.xml.\r\n" + ReadAdvice);
}

} // namespace
