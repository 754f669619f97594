#pragma once

#include <string>
#include <string_view>

// The contract_child program (tests/contract/child/) as the process cases use
// it: a copy under a name of the case's choosing, and what it wrote.

// The Windows path of the program built beside the suite.
std::string ContractChildPath();

// Copies the program to `windowsPath`; true on success.
bool CopyContractChild(const std::string& windowsPath);

// The whole content of a file, empty when it cannot be read.
std::string ReadWholeFile(std::string_view windowsPath);

// Creates or truncates the file and writes the text; true on success.
bool WriteWholeFile(std::string_view windowsPath, std::string_view text);
