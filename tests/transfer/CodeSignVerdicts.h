#pragma once

#include <string>
#include <vector>

// What the code-sign check answers for each generated PE and cabinet fixture
// (tests/data/authenticode) when the test CA is a trusted root: one table
// for both systems, the OpenSSL verifier on Linux and WinTrust under Wine.
struct CodeSignVerdict {
  const char* file;
  const char* distrust;  // PKI file put into the Disallowed store, or nullptr
  int result;
  const char* message;  // %s = the file's Windows path
};

const std::vector<CodeSignVerdict>& PortableCodeSignVerdicts();

// The message with its %s replaced by the path.
std::string CodeSignMessageFor(const CodeSignVerdict& verdict, const std::string& path);

// A test name for the row: the file, and what is distrusted.
std::string CodeSignVerdictName(const CodeSignVerdict& verdict);
