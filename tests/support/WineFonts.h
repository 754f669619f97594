#pragma once

#include <string>

// Windows suites under Wine: the prefix has none of the Korean faces the
// dialogs name, and Wine's font mapper would stand an unrelated Latin face
// in for them. This maps "굴림", "돋음", "돋움", "Gulim" and "Dotum" to the
// host's NanumGothic (package fonts-nanum, which scripts/setup installs), as
// the Linux build's fontconfig rule does, through the registry's
// FontSubstitutes key.
//
// The values are imported by regedit from a UTF-16 .reg file written into the
// prefix's temporary folder: the Korean names never pass through a command
// line, where Wine would carry them in the ANSI code page and lose them.
// regedit is a process of the suite's own prefix, so only that prefix
// changes. GDI reads the substitutes when a process loads its fonts: a
// process started afterwards draws with the mapped face.
//
// Empty on success, else what failed.
std::string MapKoreanFacesToNanum();

// The face names mapped, as UTF-16.
inline constexpr const wchar_t* kKoreanFaces[] = {L"\uAD74\uB9BC", L"\uB3CB\uC74C", L"\uB3CB\uC6C0", L"Gulim",
                                                  L"Dotum"};
inline constexpr const wchar_t* kKoreanFacesSubstitute = L"NanumGothic";
