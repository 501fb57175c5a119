#include "adapters/imgui/gles3_ui_renderer.h"

#include <GLES3/gl3.h>

#include <cstddef>
#include <cstdio>

#include "adapters/imgui/image_library.h"

namespace vora {

namespace {

constexpr const char* kVertex = R"(#version 300 es
precision highp float;
layout (location = 0) in vec2 position;
layout (location = 1) in vec2 uv;
layout (location = 2) in vec4 color;
uniform mat4 projection;
out vec2 fragUv;
out vec4 fragColor;
void main() {
  fragUv = uv;
  fragColor = color;
  gl_Position = projection * vec4(position, 0.0, 1.0);
}
)";

constexpr const char* kFragment = R"(#version 300 es
precision mediump float;
uniform sampler2D tex;
in vec2 fragUv;
in vec4 fragColor;
layout (location = 0) out vec4 outColor;
void main() { outColor = fragColor * texture(tex, fragUv); }
)";

GLuint compile(GLenum kind, const char* source) {
  GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[512] = {};
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    std::fprintf(stderr, "vora: the interface shader does not compile: %s\n", log);
  }
  return shader;
}

}  // namespace

Gles3UiRenderer::Gles3UiRenderer(const std::uint8_t* fontPixels, int fontWidth, int fontHeight,
                                 const ImageLibrary& images) {
  const GLuint vs = compile(GL_VERTEX_SHADER, kVertex);
  const GLuint fs = compile(GL_FRAGMENT_SHADER, kFragment);
  program_ = glCreateProgram();
  glAttachShader(program_, vs);
  glAttachShader(program_, fs);
  glLinkProgram(program_);
  glDeleteShader(vs);
  glDeleteShader(fs);
  projection_ = glGetUniformLocation(program_, "projection");
  sampler_ = glGetUniformLocation(program_, "tex");

  glGenVertexArrays(1, &vao_);
  glGenBuffers(1, &vbo_);
  glGenBuffers(1, &ebo_);
  glBindVertexArray(vao_);
  glBindBuffer(GL_ARRAY_BUFFER, vbo_);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo_);
  glEnableVertexAttribArray(0);
  glEnableVertexAttribArray(1);
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(ImDrawVert),
                        reinterpret_cast<void*>(offsetof(ImDrawVert, pos)));
  glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(ImDrawVert),
                        reinterpret_cast<void*>(offsetof(ImDrawVert, uv)));
  glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(ImDrawVert),
                        reinterpret_cast<void*>(offsetof(ImDrawVert, col)));
  glBindVertexArray(0);

  textures_.assign(kFirstImageTexture + images.images().size(), 0);
  textures_[kFontTexture] = upload(fontPixels, fontWidth, fontHeight, false);
  for (std::size_t i = 0; i < images.images().size(); ++i) {
    const ImageData& image = images.images()[i];
    textures_[kFirstImageTexture + i] =
        upload(image.pixels.data(), image.width, image.height, true);
  }
}

Gles3UiRenderer::~Gles3UiRenderer() {
  for (unsigned t : textures_) {
    if (t != 0) glDeleteTextures(1, &t);
  }
  glDeleteBuffers(1, &vbo_);
  glDeleteBuffers(1, &ebo_);
  glDeleteVertexArrays(1, &vao_);
  glDeleteProgram(program_);
}

unsigned Gles3UiRenderer::upload(const std::uint8_t* pixels, int width, int height, bool mipmaps) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
  // Images are drawn well below their size (a 128-pixel button at 44 points): mipmaps keep
  // them smooth.
  if (mipmaps) glGenerateMipmap(GL_TEXTURE_2D);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                  mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  return texture;
}

void Gles3UiRenderer::draw(const UiFrame& frame, int pixelWidth, int pixelHeight) {
  if (frame.displaySize.x <= 0 || frame.displaySize.y <= 0) return;
  glViewport(0, 0, pixelWidth, pixelHeight);
  glEnable(GL_BLEND);
  glBlendEquation(GL_FUNC_ADD);
  glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_SCISSOR_TEST);

  const float l = 0, r = frame.displaySize.x, t = 0, b = frame.displaySize.y;
  const float ortho[16] = {2 / (r - l), 0, 0, 0,  0, 2 / (t - b),       0,
                           0,           0, 0, -1, 0, (r + l) / (l - r), (t + b) / (b - t),
                           0,           1};
  glUseProgram(program_);
  glUniformMatrix4fv(projection_, 1, GL_FALSE, ortho);
  glUniform1i(sampler_, 0);
  glActiveTexture(GL_TEXTURE0);
  glBindVertexArray(vao_);
  glBindBuffer(GL_ARRAY_BUFFER, vbo_);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo_);

  const float sx = static_cast<float>(pixelWidth) / frame.displaySize.x;
  const float sy = static_cast<float>(pixelHeight) / frame.displaySize.y;
  for (const UiList& list : frame.lists) {
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(list.vertexCount * sizeof(ImDrawVert)),
                 frame.vertices.data() + list.vertexStart, GL_STREAM_DRAW);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(list.indexCount * sizeof(ImDrawIdx)),
                 frame.indices.data() + list.indexStart, GL_STREAM_DRAW);
    for (unsigned c = 0; c < list.commandCount; ++c) {
      const UiCommand& cmd = frame.commands[list.commandStart + c];
      const float x0 = cmd.clip.x * sx, y0 = cmd.clip.y * sy;
      const float x1 = cmd.clip.z * sx, y1 = cmd.clip.w * sy;
      if (x1 <= x0 || y1 <= y0) continue;
      glScissor(GLint(x0), GLint(float(pixelHeight) - y1), GLsizei(x1 - x0), GLsizei(y1 - y0));
      const unsigned texture = cmd.texture < textures_.size() ? textures_[cmd.texture] : 0;
      glBindTexture(GL_TEXTURE_2D, texture);
      glDrawElements(GL_TRIANGLES, GLsizei(cmd.elementCount),
                     sizeof(ImDrawIdx) == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
                     reinterpret_cast<void*>(cmd.indexOffset * sizeof(ImDrawIdx)));
    }
  }
  glDisable(GL_SCISSOR_TEST);
  glBindVertexArray(0);
}

}  // namespace vora
