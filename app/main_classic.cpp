// adoxport-classic: the earlier edition's export wizard. It keeps the format
// settings the runtime started with instead of following the user's locale.
#include "app/ProgramMain.h"
#include "export-classic/ClassicEdition.h"

int main(int Argc, char** Argv) {
    return RunProgram(Argc, Argv,
                      {"adoxport-classic", false, txad::ClassicEditionPlan(),
                       "Esportazione adozioni (edizione precedente)"});
}
