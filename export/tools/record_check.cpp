// record-check: the program's entry; its behaviour is RunRecordCheck.

#include "export/tools/RecordCheck.h"

#include <cstdio>

int main(int argc, char** argv) {
    const std::vector<std::string> Args(argv + 1, argv + argc);
    Utf8Output Out(stdout);
    Utf8Output Err(stderr);
    return txad::RunRecordCheck(Args, Out, Err);
}
