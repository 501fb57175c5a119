#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vora {

/// The application's resources (shaders, images), found by name and type.
class ResourceBundle {
 public:
  virtual ~ResourceBundle() = default;
  /// The path of resource name.type, or none when the bundle holds no such resource.
  virtual std::optional<std::string> pathForResource(std::string_view name,
                                                     std::string_view type) const = 0;
  /// The whole file as text, or none when it cannot be read.
  virtual std::optional<std::string> readText(const std::string& path) const = 0;
};

/// Resources in one directory: shaders/NAME.fsh, images/NAME.png, else NAME.TYPE at the top.
class DirectoryBundle final : public ResourceBundle {
 public:
  explicit DirectoryBundle(std::filesystem::path root) : root_(std::move(root)) {}
  std::optional<std::string> pathForResource(std::string_view name,
                                             std::string_view type) const override;
  std::optional<std::string> readText(const std::string& path) const override;
  const std::filesystem::path& root() const { return root_; }

 private:
  std::filesystem::path root_;
};

/// Where the resources of a run may be, in order of preference: resources/ beside the
/// executable, the install prefix's share/vora/resources (the executable in PREFIX/bin),
/// then sourceTree if given.
std::array<std::filesystem::path, 3> resourceCandidates(const std::filesystem::path& executable,
                                                        const std::filesystem::path& sourceTree);

/// The first candidate that is a directory, or none.
std::optional<std::filesystem::path> firstDirectory(
    std::span<const std::filesystem::path> candidates);

/// The resource directory of this process, from its own executable and, in a build tree,
/// the source tree's resources/. None when none exists.
std::optional<std::filesystem::path> locateResources();

}  // namespace vora
