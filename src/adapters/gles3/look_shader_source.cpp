#include "adapters/gles3/look_shader_source.h"

namespace vora::gl {

const char* const kNodeVertexSource = R"(#version 300 es
// Corners 0..3 of a triangle strip; no vertex buffer needed.
uniform vec4 vora_frame;     // the node's frame in the drawn area: x, y, width, height
uniform vec2 vora_areaSize;  // the drawn area's width and height, same units
out vec2 v_texcoord;
void main() {
  vec2 corner = vec2(float(gl_VertexID & 1), float(gl_VertexID >> 1));
  v_texcoord = corner;
  vec2 p = (vora_frame.xy + corner * vora_frame.zw) / vora_areaSize;
  gl_Position = vec4(p * 2.0 - 1.0, 0.0, 1.0);
}
)";

const char* const kPlainFragmentSource = R"(#version 300 es
precision mediump float;
uniform vec4 vora_color;  // premultiplied
layout(location = 0) out vec4 fragColor;
void main() { fragColor = vora_color; }
)";

std::string lookFragmentSource(const ShaderProgram& program) {
  std::string text =
      "#version 300 es\n"
      "precision highp float;\n"
      "precision highp int;\n"
      "uniform float u_time;\n"
      "uniform sampler2D u_buffer0;\n";
  for (const auto& uniform : program.uniforms) {
    text += "uniform float " + uniform->name + ";\n";
  }
  for (const auto& a : program.attributes) {
    text += a.type == AttributeType::float2 ? "uniform vec2 " : "uniform float ";
    text += kNodeAttributeNames[static_cast<std::size_t>(a.attribute)];
    text += ";\n";
  }
  text +=
      "in vec2 v_texcoord;\n"
      "layout(location = 0) out vec4 fragColor;\n"
      "#line 1\n";
  text += program.source;
  text += "\n";
  return text;
}

}  // namespace vora::gl
