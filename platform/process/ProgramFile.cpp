#include "platform/process/ProgramFile.h"

// What a program file is apart from the system's calls: the copy of its
// image, and the handle given up at the end.
namespace platform {

ProgramFile::~ProgramFile() { Close(); }

void ProgramFile::ReleaseImage() {
  m_image.clear();
  m_image.shrink_to_fit();
}

}  // namespace platform
