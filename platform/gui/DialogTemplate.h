#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <vector>

#include "platform/core/Win32Error.h"
#include "platform/gui/WinUser.h"

namespace platform::gui {

// One control of a dialog template. Positions and sizes are dialog units.
struct DialogItemTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  Rect rect;  // x, y, x + cx, y + cy
  UINT id = 0;
  // "Button", "Edit", "Static", ... for the predefined classes (given in the
  // template as ordinals 0x80 to 0x85), else the class name as written.
  std::string className;
  std::string text;
};

// An RT_DIALOG resource: DLGTEMPLATEEX (DIALOGEX) or DLGTEMPLATE (DIALOG).
struct DialogTemplate {
  bool extended = false;
  DWORD style = 0;
  DWORD exStyle = 0;
  Rect rect;  // dialog units
  std::string className;
  std::string title;
  // Present with DS_SETFONT.
  int pointSize = 0;
  int weight = 0;
  bool italic = false;
  std::string faceName;
  std::vector<DialogItemTemplate> items;

  // Parses the resource bytes. Every count, string and alignment is checked
  // against the buffer: kErrorInvalidData for anything that does not fit.
  static std::expected<DialogTemplate, Win32Error> Parse(std::span<const uint8_t> bytes);
  // The template of the running program (RT_DIALOG, id): the loader's error
  // when it is missing.
  static std::expected<DialogTemplate, Win32Error> Load(UINT nIDTemplate);
};

}  // namespace platform::gui
