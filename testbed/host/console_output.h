// The driver's output: wide text printed as UTF-8 lines, results to stdout
// and the one-line failure message to stderr.
#pragma once

#include <string>

void PrintLine(const std::wstring& line);
void PrintError(const std::wstring& line);
