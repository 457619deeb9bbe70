// adoxport-classic: the earlier edition's export wizard. It keeps the format
// settings the runtime started with instead of following the user's locale.
#include "app/ProgramMain.h"
#include "export-classic/txadFMain.h"

int main(int Argc, char** Argv) {
    ProgramTraits Traits{"adoxport-classic", false, [](TdmTxadMain& Dm, std::vector<std::string> Args) {
                             return static_cast<TfmTxadMainBase*>(new TfmTxadMain(Dm, std::move(Args)));
                         }};
    return RunProgram(Argc, Argv, Traits);
}
