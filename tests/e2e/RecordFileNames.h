#pragma once
// The record files each edition and recipient leaves in the data folder, in
// file order, as the end-to-end tests expect them.

#include <string>
#include <vector>

namespace e2e {

inline const std::vector<std::string> AieFiles = {"File014.txt", "File622.txt", "File815.txt",
                                                  "File815E.txt"};
inline const std::vector<std::string> AnarpeFiles = {"Adoz001.txt", "Adoz002.txt", "Adoz003.txt",
                                                     "Adoz004.txt"};
inline const std::vector<std::string> ClassicAieFiles = {"File014.txt", "File622.txt", "File698.txt",
                                                         "File815.txt", "File815E.txt"};

} // namespace e2e
