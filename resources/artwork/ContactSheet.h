#pragma once

#include <string>

#include "resources/artwork/ProgressPictures.h"

// A review page of the artwork: the wizard's windows put together from the
// pictures at the places the dialogs use (with sample texts where the
// program draws its own), then every picture at 1:1 with its id. Writes a
// PNG; returns false when it cannot be written.
bool WriteContactSheet(const std::string& path, const Contacts& contacts);
