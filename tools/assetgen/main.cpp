// assetgen OUTDIR: writes every asset of the game under OUTDIR. The work is
// split into independent jobs run on a few threads; each job's output
// depends only on its own code, so the bytes never depend on scheduling.
// assetgen --icons OUTDIR NAME: writes the desktop icon as a hicolor tree.
// assetgen --web-icons OUTDIR NAME: writes the icons of the installable page.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "audio.h"
#include "images.h"

namespace {

using Job = std::function<void(const std::filesystem::path&)>;

// Heaviest first, so the threads finish together.
const std::vector<Job> kJobs = {
    assetgen::writeTune,       assetgen::writeBadges,     assetgen::writeCircle,   assetgen::writeMenu,
    assetgen::writeGfx,        assetgen::writeStudioLogo, assetgen::writeTitleLogo, assetgen::writeButtons,
    assetgen::writeSplodge,    assetgen::writeParts,      assetgen::writeIcons,    assetgen::writeDpad,
    assetgen::writeLight,      assetgen::writeGameFont,   assetgen::writeDefaultFont,
    assetgen::writeSoundEffects,
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--icons") {
    assetgen::writeAppIcons(argv[2], argv[3]);
    return 0;
  }
  if (argc == 4 && std::string(argv[1]) == "--web-icons") {
    assetgen::writeWebAppIcons(argv[2], argv[3]);
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: assetgen OUTDIR | assetgen --icons OUTDIR NAME | assetgen --web-icons OUTDIR NAME\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  std::filesystem::create_directories(out);
  auto start = std::chrono::steady_clock::now();

  std::atomic<size_t> next{0};
  unsigned threads = std::max(2u, std::thread::hardware_concurrency());
  std::vector<std::thread> pool;
  for (unsigned t = 0; t < threads; ++t)
    pool.emplace_back([&] {
      for (size_t i = next++; i < kJobs.size(); i = next++) kJobs[i](out);
    });
  for (std::thread& t : pool) t.join();

  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("assetgen: wrote %s in %.2f s\n", out.string().c_str(), seconds);
  return 0;
}
