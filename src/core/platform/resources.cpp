#include "core/platform/resources.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace vora {

namespace {

// Where each type of resource sits inside the directory.
std::string_view subdirectoryFor(std::string_view type) {
  if (type == "fsh") return "shaders";
  if (type == "png") return "images";
  return {};
}

bool isRegularFile(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::is_regular_file(p, ec);
}

}  // namespace

std::optional<std::string> DirectoryBundle::pathForResource(std::string_view name,
                                                            std::string_view type) const {
  // A name that climbs out of the bundle or names a subdirectory is not a resource name.
  if (name.empty() || name.find('/') != std::string_view::npos ||
      name.find('\\') != std::string_view::npos || name == "." || name == "..") {
    return std::nullopt;
  }
  const std::string file = std::string(name) + "." + std::string(type);
  const auto sub = subdirectoryFor(type);
  if (!sub.empty()) {
    auto p = root_ / sub / file;
    if (isRegularFile(p)) return p.string();
  }
  auto p = root_ / file;
  if (isRegularFile(p)) return p.string();
  return std::nullopt;
}

std::optional<std::string> DirectoryBundle::readText(const std::string& path) const {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return std::move(text).str();
}

std::array<std::filesystem::path, 3> resourceCandidates(const std::filesystem::path& executable,
                                                        const std::filesystem::path& sourceTree) {
  const auto dir = executable.parent_path();
  return {dir / "resources", dir.parent_path() / "share" / "vora" / "resources", sourceTree};
}

std::optional<std::filesystem::path> firstDirectory(
    std::span<const std::filesystem::path> candidates) {
  for (const auto& c : candidates) {
    std::error_code ec;
    if (!c.empty() && std::filesystem::is_directory(c, ec)) return c;
  }
  return std::nullopt;
}

std::optional<std::filesystem::path> locateResources() {
  std::error_code ec;
  // Linux names the running executable here; elsewhere only the source tree is tried.
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) exe.clear();
#ifdef VORA_SOURCE_RESOURCES
  const std::filesystem::path sourceTree = VORA_SOURCE_RESOURCES;
#else
  const std::filesystem::path sourceTree;
#endif
  auto candidates = resourceCandidates(exe, sourceTree);
  if (exe.empty()) candidates[0].clear(), candidates[1].clear();
  return firstDirectory(candidates);
}

}  // namespace vora
