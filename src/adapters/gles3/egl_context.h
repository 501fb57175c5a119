#pragma once

#include <memory>
#include <string>

namespace vora {

/// An OpenGL ES 3 context with no window and no surface, on Mesa's surfaceless EGL
/// platform (llvmpipe where there is no GPU). It draws into framebuffers of its own.
class EglSurfacelessContext {
 public:
  /// Creates the context and makes it current on the calling thread; null, with the
  /// reason in error, when this machine cannot give one.
  static std::unique_ptr<EglSurfacelessContext> create(std::string& error);
  ~EglSurfacelessContext();
  EglSurfacelessContext(const EglSurfacelessContext&) = delete;
  EglSurfacelessContext& operator=(const EglSurfacelessContext&) = delete;

  /// Makes the context current on the calling thread.
  bool makeCurrent();

 private:
  EglSurfacelessContext() = default;
  void* display_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace vora
