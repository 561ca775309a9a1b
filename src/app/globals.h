#pragma once
// Process-wide values. The three constants never change; the others are set once at start-up
// (basMain::ApplyStartup) before any listing runs and are only read afterwards.

#include <string>

inline const std::string gCrLf = "\r\n";
inline const std::string gDQuote = "\"";
inline const std::string gNul(1, '\0');

// Installation root of the print system in Windows notation (OV_ROOT through ConvertToWinPath).
inline std::string gRootDir;
// gRootDir followed by "\bin\kvls.exe"; platform::ResolveToolPath turns it into a real path.
inline std::string gListToolPath;
// Value of KVPRINTER; may be empty.
inline std::string gDefaultPrinter;
// Directory of canned listing files; empty means normal mode.
inline std::string gPseudoDir;
