#include "support/TempDir.h"

#include <cstdlib>
#include <random>
#include <stdexcept>
#include <system_error>

namespace tarnwick::test {

#if defined(_WIN32)
TempDir::TempDir() {
  // No mkdtemp here: a random name is tried until a new directory is made.
  // TARNWICK_TEST_TMPDIR can put the folders where host tools reach them (wine's Z:).
  const char* base = std::getenv("TARNWICK_TEST_TMPDIR");
  const std::filesystem::path root =
      base != nullptr && *base != '\0' ? std::filesystem::path(base) : std::filesystem::temp_directory_path();
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto candidate = root / ("tarnwick-test-" + std::to_string(random()));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("no temporary directory could be made");
}
#else
TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}
#endif

TempDir::~TempDir() {
  std::error_code ec;
  // Make read-only directories (unwritable-target tests) removable again.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
  }
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

}  // namespace tarnwick::test
