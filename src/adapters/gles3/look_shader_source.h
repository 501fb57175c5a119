#pragma once

#include <string>

#include "core/platform/gfx.h"

namespace vora::gl {

/// The vertex shader every node is drawn with: a quad over the node's frame, handing the
/// fragment shader v_texcoord, 0..1 across the node from its bottom-left corner.
extern const char* const kNodeVertexSource;

/// A look's complete fragment shader: the prelude with the declarations a look may read
/// (see resources/shaders/README.md), then the look file's text, numbered from line 1 so
/// the compiler's messages point into the file.
std::string lookFragmentSource(const ShaderProgram& program);

/// The fragment shader of a node without shader: its colour.
extern const char* const kPlainFragmentSource;

}  // namespace vora::gl
