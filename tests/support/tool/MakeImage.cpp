// tw-make-image: writes the disc of a disc description as an image of another format.
//   tw-make-image FORMAT DESCRIPTION DIR [STEM]
// FORMAT: cue, cue-files, clonecd, nero-dao, nero-dao-old, nero-dao-sub, nero-tao,
// nero-tao-new, alcohol, alcohol-sub, cdrdao. Prints the path of the file to open.
#include <cstdio>
#include <exception>
#include <string>

#include "support/DiscImages.h"

int main(int argc, char** argv) {
  using tarnwick::test::ImageFormat;
  if (argc < 4 || argc > 5) {
    std::fprintf(stderr, "usage: tw-make-image FORMAT DESCRIPTION DIR [STEM]\n");
    return 2;
  }
  const std::string name = argv[1];
  for (ImageFormat f : tarnwick::test::kAllImageFormats) {
    if (name != tarnwick::test::FormatName(f)) continue;
    try {
      const auto path = tarnwick::test::WriteDiscImage(argv[2], f, argv[3], argc == 5 ? argv[4] : "disc");
      std::printf("%s\n", path.string().c_str());
      return 0;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "tw-make-image: %s\n", e.what());
      return 1;
    }
  }
  std::fprintf(stderr, "tw-make-image: unknown format '%s'\n", name.c_str());
  return 2;
}
