#include "core/scene/shader_loading.h"

#include <string>

#include "core/platform/fatal.h"

namespace vora {

Shader loadShader(const ResourceBundle& bundle, std::string_view name,
                  const std::vector<std::shared_ptr<const FloatUniform>>* uniforms,
                  const std::vector<AttributeDeclaration>* attributes) {
  const auto path = bundle.pathForResource(name, "fsh");
  if (!path) fatalError("Unable to find shader " + std::string(name) + ".fsh in bundle");
  auto text = bundle.readText(*path);
  if (!text) fatalError("Unable to load shader " + std::string(name) + ".fsh");

  auto program = std::make_shared<ShaderProgram>();
  program->name = std::string(name);
  program->source = std::move(*text);
  if (uniforms != nullptr) program->uniforms = *uniforms;
  if (attributes != nullptr) program->attributes = *attributes;

  Shader shader;
  shader.program = std::move(program);
  return shader;
}

}  // namespace vora
