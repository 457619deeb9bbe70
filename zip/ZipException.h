#pragma once
// Errors of the zip component; the message is what the user reads.

#include "support/VxExceptions.h"

class ZipException : public EVxError {
public:
    using EVxError::EVxError;
};
