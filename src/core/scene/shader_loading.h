#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "core/platform/gfx.h"
#include "core/platform/resources.h"

namespace vora {

/// Builds a shader from the fragment-shader resource name.fsh in bundle, with the given
/// shared uniforms (none: the source alone) and attribute declarations (none: no
/// declarations). Never returns without a shader: a resource that is missing ends the
/// program with "Unable to find shader NAME.fsh in bundle", one that cannot be read with
/// "Unable to load shader NAME.fsh". Whether the source compiles is the renderer's check.
Shader loadShader(const ResourceBundle& bundle, std::string_view name,
                  const std::vector<std::shared_ptr<const FloatUniform>>* uniforms = nullptr,
                  const std::vector<AttributeDeclaration>* attributes = nullptr);

}  // namespace vora
