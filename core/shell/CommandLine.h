#pragma once
// The program's arguments as UTF-8, as the rest of the program takes texts.
// On Windows main() gets them in the ANSI code page, which cannot hold every
// file name; they are read again as UTF-16 and converted, and the console is
// set to UTF-8 so what the program prints shows as written.
#include <string>
#include <vector>

namespace aulira {

std::vector<std::string> commandLineArguments(int argc, char** argv);

} // namespace aulira
