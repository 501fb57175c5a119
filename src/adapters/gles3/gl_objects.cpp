#include "adapters/gles3/gl_objects.h"

#include <vector>

namespace vora::gl {

void deleteProgram(GLuint name) { glDeleteProgram(name); }
void deleteShader(GLuint name) { glDeleteShader(name); }
void deleteTexture(GLuint name) { glDeleteTextures(1, &name); }
void deleteFramebuffer(GLuint name) { glDeleteFramebuffers(1, &name); }
void deleteVertexArray(GLuint name) { glDeleteVertexArrays(1, &name); }

namespace {

std::string shaderLog(GLuint shader) {
  GLint length = 0;
  glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
  std::vector<char> text(static_cast<std::size_t>(length > 1 ? length : 1));
  glGetShaderInfoLog(shader, static_cast<GLsizei>(text.size()), nullptr, text.data());
  return text.data();
}

std::string programLog(GLuint program) {
  GLint length = 0;
  glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
  std::vector<char> text(static_cast<std::size_t>(length > 1 ? length : 1));
  glGetProgramInfoLog(program, static_cast<GLsizei>(text.size()), nullptr, text.data());
  return text.data();
}

std::variant<ShaderObject, std::string> compile(GLenum type, const std::string& source) {
  ShaderObject shader(glCreateShader(type));
  const char* text = source.c_str();
  glShaderSource(shader.get(), 1, &text, nullptr);
  glCompileShader(shader.get());
  GLint ok = GL_FALSE;
  glGetShaderiv(shader.get(), GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) return shaderLog(shader.get());
  return shader;
}

}  // namespace

std::variant<Program, BuildError> buildProgram(const std::string& vertexSource,
                                               const std::string& fragmentSource) {
  auto vertex = compile(GL_VERTEX_SHADER, vertexSource);
  if (auto* log = std::get_if<std::string>(&vertex)) return BuildError{"compile vertex", *log};
  auto fragment = compile(GL_FRAGMENT_SHADER, fragmentSource);
  if (auto* log = std::get_if<std::string>(&fragment)) return BuildError{"compile fragment", *log};

  Program program(glCreateProgram());
  glAttachShader(program.get(), std::get<ShaderObject>(vertex).get());
  glAttachShader(program.get(), std::get<ShaderObject>(fragment).get());
  glLinkProgram(program.get());
  GLint ok = GL_FALSE;
  glGetProgramiv(program.get(), GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) return BuildError{"link", programLog(program.get())};
  return program;
}

Texture makeTexture(int width, int height, const void* pixels) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glBindTexture(GL_TEXTURE_2D, 0);
  return Texture(name);
}

Framebuffer makeFramebuffer(GLuint texture) {
  GLint previous = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
  GLuint name = 0;
  glGenFramebuffers(1, &name);
  glBindFramebuffer(GL_FRAMEBUFFER, name);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
  Framebuffer framebuffer(name);
  if (!complete) framebuffer.reset();
  return framebuffer;
}

}  // namespace vora::gl
