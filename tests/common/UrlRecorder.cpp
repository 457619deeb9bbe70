// Gives the recorder's header to the meta-object compiler.
#include "tests/common/UrlRecorder.h"
