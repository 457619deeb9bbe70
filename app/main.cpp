// adoxport: the current edition's export wizard.
#include "app/ProgramMain.h"
#include "export/wizard/CurrentEdition.h"

int main(int Argc, char** Argv) {
    return RunProgram(Argc, Argv, {"adoxport", true, txad::CurrentEditionPlan(), "Esportazione adozioni"});
}
