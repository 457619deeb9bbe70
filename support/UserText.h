#pragma once
// What the user reads for an error. A few low-level messages are English and
// stay so in the exceptions, where peers, scripts and tests see them; the
// user reads each of them in Italian, naming the same file, with the
// system's reason when the exception carries it and what to do.

#include <exception>
#include <string>
#include <string_view>

// The C library's error number (errno) as an Italian phrase; empty for 0.
std::string SystemReason(int Errno);

// Message (CP1252) with each known English line in Italian: "Cannot open
// file", "Cannot create file", "Error reading file", "Error writing file",
// "Invalid data packet"; the line "Invalid argument to date encode" goes
// where lines above it say what is wrong, and is told in Italian alone.
// Errno, when not 0, is the reason of the message's first line. Any other
// line is kept as it is.
std::string UserText(std::string_view Message, int Errno = 0);
// The same for an exception: EVxException::Code is the system's error number.
std::string UserText(const std::exception& E);
