// vamo-artwork: draws every picture resource of VamoSetup and its icon.
//
//   vamo-artwork --out DIR --phone NUMBER --email ADDRESS [--sheet FILE.png]
//   vamo-artwork --list
//
// Writes DIR/<id>.bmp (24-bit) for each picture and DIR/vamo.ico, the files
// the resource script names; unchanged files are left alone. With --sheet it
// also writes a contact sheet of the artwork for review. The telephone
// number and e-mail address are the build's support contacts, drawn into the
// contact pictures. Exit status 0, 1 when a picture cannot be drawn or
// written, 2 for a wrong command line. --list prints the pictures' ids,
// sizes and contents, one a line.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "resources/artwork/Catalogue.h"
#include "resources/artwork/ContactSheet.h"
#include "resources/artwork/ImageFiles.h"
#include "resources/artwork/Text.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct Options {
  std::string outDir;
  std::string sheet;
  Contacts contacts;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    if (flag == "--out") {
      options.outDir = value;
    } else if (flag == "--sheet") {
      options.sheet = value;
    } else if (flag == "--phone") {
      options.contacts.phone = value;
    } else if (flag == "--email") {
      options.contacts.email = value;
    } else {
      return false;
    }
  }
  return !options.contacts.phone.empty() && !options.contacts.email.empty() &&
         (!options.outDir.empty() || !options.sheet.empty());
}

bool WritePictures(const std::string& dir, const Contacts& contacts) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  for (const PictureSpec& spec : Pictures()) {
    const Canvas canvas = PaintPicture(spec, contacts);
    const std::string path = dir + "/" + std::to_string(spec.id) + ".bmp";
    if (!WriteIfChanged(path, EncodeBmp24(canvas))) {
      std::fprintf(stderr, "vamo-artwork: cannot write %s\n", path.c_str());
      return false;
    }
  }
  const std::vector<Canvas> icon = PaintIconImages();
  std::vector<const Canvas*> images;
  for (const Canvas& image : icon) images.push_back(&image);
  const std::string path = dir + "/vamo.ico";
  if (!WriteIfChanged(path, EncodeIco(images))) {
    std::fprintf(stderr, "vamo-artwork: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

void ListPictures() {
  std::vector<const PictureSpec*> specs;
  for (const PictureSpec& spec : Pictures()) specs.push_back(&spec);
  std::sort(specs.begin(), specs.end(), [](auto* a, auto* b) { return a->id < b->id; });
  for (const PictureSpec* spec : specs) std::printf("%d\t%dx%d\t%s\n", spec->id, spec->width, spec->height, spec->what);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--list") {
    ListPictures();
    return kExitOk;
  }
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: vamo-artwork --out DIR --phone NUMBER --email ADDRESS [--sheet FILE.png]\n"
                 "       vamo-artwork --list\n");
    return kExitUsage;
  }
  try {
    RequireFonts();
    if (!options.outDir.empty() && !WritePictures(options.outDir, options.contacts)) return kExitFailed;
    if (!options.sheet.empty() && !WriteContactSheet(options.sheet, options.contacts)) {
      std::fprintf(stderr, "vamo-artwork: cannot write %s\n", options.sheet.c_str());
      return kExitFailed;
    }
  } catch (const ArtworkError& error) {
    std::fprintf(stderr, "vamo-artwork: %s\n", error.what());
    return kExitFailed;
  }
  return kExitOk;
}
