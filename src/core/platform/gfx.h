#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/touch/touch.h"

// The small graphics layer the scene is written against. The scene (main thread) keeps
// its nodes as plain values and hands a copy of them, a SceneSnapshot, to a SceneView
// whenever they change; a renderer on the GL side draws the latest snapshot. Nothing here
// touches a graphics API, and copying a snapshot never allocates.

namespace vora {

/// A colour with straight (not premultiplied) components, 0..1.
struct Color {
  float r = 0, g = 0, b = 0, a = 1;
  bool operator==(const Color&) const = default;
};

/// A texture a texture uniform can hold. The scene names textures; the renderer owns them.
struct TextureRef {
  enum class Kind : std::uint8_t {
    empty,  ///< the placeholder texture: transparent black
    solid,  ///< the rendering of a plain node without shader: its colour everywhere
  };
  Kind kind = Kind::empty;
  Color color{0, 0, 0, 0};

  static TextureRef solid(Color c) { return {Kind::solid, c}; }
  bool operator==(const TextureRef&) const = default;
};

/// A float uniform, shared by every shader that is given it.
struct FloatUniform {
  std::string name;
  float value = 0;
};

/// The per-node attributes a shader may declare. Values live on the node, so they stay
/// when the node's shader is replaced.
enum class NodeAttribute { a_size, a_x, a_y, a_g, a_speed, a_isipad };
inline constexpr std::size_t kNodeAttributeCount = 6;
inline constexpr std::array<std::string_view, kNodeAttributeCount> kNodeAttributeNames{
    "a_size", "a_x", "a_y", "a_g", "a_speed", "a_isipad"};

/// The type of a declared attribute.
enum class AttributeType { float1, float2 };

/// One attribute declaration of a shader.
struct AttributeDeclaration {
  NodeAttribute attribute;
  AttributeType type;
  bool operator==(const AttributeDeclaration&) const = default;
};

/// What a fragment shader is built from: a look file's text with the uniforms and
/// attribute declarations it was given. Never changed once built; shared with the renderer.
struct ShaderProgram {
  std::string name;    ///< resource name without extension, for messages
  std::string source;  ///< the whole file: the look author's GLSL ES 3.00 body
  std::vector<std::shared_ptr<const FloatUniform>> uniforms;
  std::vector<AttributeDeclaration> attributes;
};

/// A named texture uniform. The name must refer to storage that lives for the program's
/// whole run (a string literal or a constant).
struct TextureUniform {
  std::string_view name;
  TextureRef texture;
};

/// The texture uniform through which a look's shaders read the feedback picture.
inline constexpr std::string_view kBufferUniform = "u_buffer0";

/// A shader as a node holds it: the built program and its texture uniforms, which are
/// added after creation and whose textures change.
struct Shader {
  static constexpr std::size_t kMaxTextureUniforms = 2;

  std::shared_ptr<const ShaderProgram> program;
  std::array<TextureUniform, kMaxTextureUniforms> textureUniforms{};
  std::size_t textureUniformCount = 0;
  /// Which installation this is; later installations have larger serials (0: none).
  std::uint64_t serial = 0;

  /// Adds a texture uniform; one with the same name is replaced. Returns false when the
  /// shader already holds as many texture uniforms as it can.
  bool addUniform(TextureUniform uniform) {
    if (auto* existing = uniformNamed(uniform.name)) {
      *existing = uniform;
      return true;
    }
    if (textureUniformCount == kMaxTextureUniforms) return false;
    textureUniforms[textureUniformCount++] = uniform;
    return true;
  }
  /// The texture uniform of that name, or none.
  TextureUniform* uniformNamed(std::string_view name) {
    for (std::size_t i = 0; i < textureUniformCount; ++i) {
      if (textureUniforms[i].name == name) return &textureUniforms[i];
    }
    return nullptr;
  }
  const TextureUniform* uniformNamed(std::string_view name) const {
    return const_cast<Shader*>(this)->uniformNamed(name);
  }
};

/// A quad drawn with its colour, or with a fragment shader. Placed by its anchor point:
/// with anchor (0, 0) its bottom-left corner lies on its position.
struct SpriteNode {
  Color color{0, 0, 0, 1};
  Size size;                     ///< points
  Point anchorPoint{0.5, 0.5};   ///< fraction of the size, (0, 0) = bottom left
  Point position;                ///< points, in the scene (y up)
  std::optional<Shader> shader;  ///< none: the node draws its colour
  /// Values set so far, by NodeAttribute; a_size uses both components, the others the first.
  std::array<std::optional<std::array<float, 2>>, kNodeAttributeCount> attributes{};

  /// The first component of an attribute's value, or none if never set.
  std::optional<float> attribute(NodeAttribute a) const {
    const auto& v = attributes[static_cast<std::size_t>(a)];
    return v ? std::optional<float>((*v)[0]) : std::nullopt;
  }
  /// Both components of an attribute's value, or none if never set.
  std::optional<std::array<float, 2>> attribute2(NodeAttribute a) const {
    return attributes[static_cast<std::size_t>(a)];
  }
  void setValue(NodeAttribute a, float value) {
    attributes[static_cast<std::size_t>(a)] = std::array<float, 2>{value, 0.0f};
  }
  void setValue(NodeAttribute a, float x, float y) {
    attributes[static_cast<std::size_t>(a)] = std::array<float, 2>{x, y};
  }
};

/// Everything a renderer needs to draw the scene behind the pad. Plain data: copying it
/// copies shared pointers and fixed arrays only.
struct SceneSnapshot {
  Size size;  ///< the scene's size, points; it covers the whole drawable
  Color backgroundColor{0, 0, 0, 1};
  bool presented = false;  ///< a view presents the scene; frames advance only then
  bool paused = false;     ///< no feedback step and no shader time while paused
  /// Drawing order: the feedback node first, the primary node over it; each only once it
  /// is a child of the scene.
  SpriteNode feedbackNode;
  SpriteNode primaryNode;
  bool feedbackIsChild = false;
  bool primaryIsChild = false;
  /// The serial of the latest shader installed on either node.
  std::uint64_t latestSerial = 0;
};

/// The view that presents a scene. The scene calls it on the main thread; it must not
/// call back into the scene.
class SceneView {
 public:
  virtual ~SceneView() = default;
  /// A texture holding the node rendered as it is now; none when this view cannot render
  /// it.
  virtual std::optional<TextureRef> textureFromNode(const SpriteNode& node) = 0;
  /// The scene changed: draw this from the next frame on. Must not allocate (called on
  /// the touch and tick paths).
  virtual void present(const SceneSnapshot& snapshot) = 0;
};

}  // namespace vora
