// adoxport: the current edition's export wizard.
#include "app/ProgramMain.h"
#include "export/txadFMain.h"

int main(int Argc, char** Argv) {
    ProgramTraits Traits{"adoxport", true, [](TdmTxadMain& Dm, std::vector<std::string> Args) {
                             return static_cast<TfmTxadMainBase*>(new TfmTxadMain(Dm, std::move(Args)));
                         }};
    return RunProgram(Argc, Argv, Traits);
}
