#pragma once
// The widget boundary: the system's CP1252 text to QString and back, through
// the platform's one conversion table.

#include <QString>
#include <string>
#include <string_view>

QString ToQString(std::string_view Text);
// Characters CP1252 cannot hold become '?'.
std::string FromQString(const QString& Text);
