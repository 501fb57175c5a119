#pragma once

#include <GLES3/gl3.h>

#include <string>
#include <utility>
#include <variant>

namespace vora::gl {

/// One GL object name, deleted with its deleter when the owner goes. The context that
/// made it must be current when it is destroyed.
template <void (*Delete)(GLuint)>
class Handle {
 public:
  Handle() = default;
  explicit Handle(GLuint name) : name_(name) {}
  ~Handle() { reset(); }
  Handle(Handle&& other) noexcept : name_(std::exchange(other.name_, 0)) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      reset();
      name_ = std::exchange(other.name_, 0);
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  GLuint get() const { return name_; }
  explicit operator bool() const { return name_ != 0; }
  void reset() {
    if (name_ != 0) Delete(name_);
    name_ = 0;
  }

 private:
  GLuint name_ = 0;
};

void deleteProgram(GLuint name);
void deleteShader(GLuint name);
void deleteTexture(GLuint name);
void deleteFramebuffer(GLuint name);
void deleteVertexArray(GLuint name);

using Program = Handle<deleteProgram>;
using ShaderObject = Handle<deleteShader>;
using Texture = Handle<deleteTexture>;
using Framebuffer = Handle<deleteFramebuffer>;
using VertexArray = Handle<deleteVertexArray>;

/// A linked program, or what the compiler or linker said.
struct BuildError {
  std::string stage;  ///< "compile vertex", "compile fragment" or "link"
  std::string log;
};
std::variant<Program, BuildError> buildProgram(const std::string& vertexSource,
                                               const std::string& fragmentSource);

/// An RGBA8 texture of the given size (contents undefined unless pixels are given),
/// linear filtering, clamped at the edges.
Texture makeTexture(int width, int height, const void* pixels = nullptr);

/// A framebuffer drawing into texture; none when the driver cannot.
Framebuffer makeFramebuffer(GLuint texture);

}  // namespace vora::gl
