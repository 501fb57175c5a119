#include "adapters/gles3/scene_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "adapters/gles3/look_shader_source.h"
#include "core/platform/fatal.h"

namespace vora {

namespace {

std::string failureMessage(const ShaderProgram& program, const gl::BuildError& error) {
  const char* verb = error.stage == "link" ? "link" : "compile";
  return std::string("Unable to ") + verb + " shader " + program.name + ".fsh:\n" + error.log;
}

std::variant<gl::Program, std::string> build(const ShaderProgram& program) {
  auto built = gl::buildProgram(gl::kNodeVertexSource, gl::lookFragmentSource(program));
  if (auto* error = std::get_if<gl::BuildError>(&built)) return failureMessage(program, *error);
  return std::move(std::get<gl::Program>(built));
}

// The frame of a node in its scene's coordinates (y up): placed by its anchor point.
struct Frame {
  float x, y, w, h;
};
Frame frameOf(const SpriteNode& node) {
  const auto w = static_cast<float>(node.size.width);
  const auto h = static_cast<float>(node.size.height);
  return {static_cast<float>(node.position.x - node.anchorPoint.x * node.size.width),
          static_cast<float>(node.position.y - node.anchorPoint.y * node.size.height), w, h};
}

}  // namespace

SceneRenderer::SceneRenderer(ErrorHandler onError) : onError_(std::move(onError)) {
  if (!onError_) onError_ = [](const std::string& message) { fatalError(message); };
  GLuint vao = 0;
  glGenVertexArrays(1, &vao);
  vertexArray_ = gl::VertexArray(vao);

  auto plain = gl::buildProgram(gl::kNodeVertexSource, gl::kPlainFragmentSource);
  if (auto* error = std::get_if<gl::BuildError>(&plain)) {
    onError_("Unable to build the scene's plain node program: " + error->log);
    return;
  }
  plain_ = std::move(std::get<gl::Program>(plain));
  plainFrame_ = glGetUniformLocation(plain_.get(), "vora_frame");
  plainArea_ = glGetUniformLocation(plain_.get(), "vora_areaSize");
  plainColor_ = glGetUniformLocation(plain_.get(), "vora_color");

  const std::uint8_t clear[4] = {0, 0, 0, 0};
  empty_ = gl::makeTexture(1, 1, clear);
}

SceneRenderer::~SceneRenderer() = default;

std::optional<std::string> SceneRenderer::check(const ShaderProgram& program) {
  auto built = build(program);
  if (auto* message = std::get_if<std::string>(&built)) return *message;
  return std::nullopt;
}

SceneRenderer::Linked* SceneRenderer::linkedFor(const ShaderProgram& program) {
  std::string text = gl::lookFragmentSource(program);
  if (auto it = programs_.find(text); it != programs_.end()) return it->second.get();

  auto built = build(program);
  if (auto* message = std::get_if<std::string>(&built)) {
    onError_(*message);
    return nullptr;
  }
  auto linked = std::make_unique<Linked>();
  linked->program = std::move(std::get<gl::Program>(built));
  const GLuint p = linked->program.get();
  linked->frame = glGetUniformLocation(p, "vora_frame");
  linked->areaSize = glGetUniformLocation(p, "vora_areaSize");
  linked->time = glGetUniformLocation(p, "u_time");
  linked->buffer = glGetUniformLocation(p, "u_buffer0");
  for (const auto& uniform : program.uniforms) {
    linked->floats.emplace_back(glGetUniformLocation(p, uniform->name.c_str()), uniform->value);
  }
  linked->attributes.fill(-1);
  for (const auto& a : program.attributes) {
    const auto i = static_cast<std::size_t>(a.attribute);
    linked->attributes[i] = glGetUniformLocation(p, std::string(kNodeAttributeNames[i]).c_str());
  }
  Linked* result = linked.get();
  programs_.emplace(std::move(text), std::move(linked));
  return result;
}

void SceneRenderer::prepare(const SpriteNode& node, Slot& slot) {
  if (!node.shader || !node.shader->program) {
    slot = {};
    return;
  }
  if (slot.source == node.shader->program) return;
  slot.source = node.shader->program;
  slot.linked = linkedFor(*slot.source);
}

GLuint SceneRenderer::solidTexture(Color c) {
  for (const auto& [color, texture] : solids_) {
    if (color == c) return texture.get();
  }
  const auto byte = [](float v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
  };
  // Textures hold premultiplied colour, as the shaders write it.
  const std::uint8_t pixel[4] = {byte(c.r * c.a), byte(c.g * c.a), byte(c.b * c.a), byte(c.a)};
  solids_.emplace_back(c, gl::makeTexture(1, 1, pixel));
  return solids_.back().second.get();
}

GLuint SceneRenderer::resolve(const TextureSource& source) {
  if (source.latest) return newest_ >= 0 ? targets_[newest_].texture.get() : empty_.get();
  if (source.texture.kind == TextureRef::Kind::solid) return solidTexture(source.texture.color);
  return empty_.get();
}

void SceneRenderer::ensureTargets(int width, int height) {
  if (width == targetWidth_ && height == targetHeight_ && targets_[0].framebuffer) return;
  // A new size loses the old state: the new targets start transparent black.
  std::vector<std::uint8_t> clear(static_cast<std::size_t>(width) * height * 4, 0);
  for (auto& target : targets_) {
    target.texture = gl::makeTexture(width, height, clear.data());
    target.framebuffer = gl::makeFramebuffer(target.texture.get());
  }
  targetWidth_ = width;
  targetHeight_ = height;
  newest_ = 0;
}

void SceneRenderer::drawNode(const SpriteNode& node, const Slot& slot, GLuint bufferTexture,
                             float time, float x, float y, float w, float h, float areaW,
                             float areaH) {
  if (!node.shader) {
    glUseProgram(plain_.get());
    glUniform4f(plainFrame_, x, y, w, h);
    glUniform2f(plainArea_, areaW, areaH);
    const Color c = node.color;
    glUniform4f(plainColor_, c.r * c.a, c.g * c.a, c.b * c.a, c.a);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    return;
  }
  if (slot.linked == nullptr) return;  // reported when it failed to build
  const Linked& p = *slot.linked;
  glUseProgram(p.program.get());
  glUniform4f(p.frame, x, y, w, h);
  glUniform2f(p.areaSize, areaW, areaH);
  glUniform1f(p.time, time);
  for (const auto& [location, value] : p.floats) glUniform1f(location, value);
  for (std::size_t i = 0; i < kNodeAttributeCount; ++i) {
    if (p.attributes[i] < 0) continue;
    // A value the node never received reads as zero.
    const auto value = node.attributes[i].value_or(std::array<float, 2>{0, 0});
    if (i == static_cast<std::size_t>(NodeAttribute::a_size)) {
      glUniform2f(p.attributes[i], value[0], value[1]);
    } else {
      glUniform1f(p.attributes[i], value[0]);
    }
  }
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, bufferTexture);
  glUniform1i(p.buffer, 0);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void SceneRenderer::drawFrame(const SceneSnapshot& snapshot, int pixelWidth, int pixelHeight,
                              double clockSeconds, GLuint framebuffer) {
  const SceneFrame::Plan plan = frame_.next(snapshot, clockSeconds);
  prepare(snapshot.feedbackNode, feedback_);
  prepare(snapshot.primaryNode, primary_);

  const double sceneW = snapshot.size.width, sceneH = snapshot.size.height;
  const bool drawable = sceneW > 0 && sceneH > 0 && pixelWidth > 0 && pixelHeight > 0;
  glBindVertexArray(vertexArray_.get());
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_CULL_FACE);

  // The feedback step: the feedback node alone, unblended, into the other target.
  const SpriteNode& fb = snapshot.feedbackNode;
  if (plan.step && drawable && fb.size.width > 0 && fb.size.height > 0) {
    const int w = std::max(1, static_cast<int>(std::lround(fb.size.width * pixelWidth / sceneW)));
    const int h = std::max(1, static_cast<int>(std::lround(fb.size.height * pixelHeight / sceneH)));
    ensureTargets(w, h);
    const GLuint input = resolve(plan.stepInput);
    const int output = 1 - newest_;
    glBindFramebuffer(GL_FRAMEBUFFER, targets_[output].framebuffer.get());
    glViewport(0, 0, w, h);
    glDisable(GL_BLEND);
    const auto fw = static_cast<float>(fb.size.width), fh = static_cast<float>(fb.size.height);
    drawNode(fb, feedback_, input, plan.time, 0, 0, fw, fh, fw, fh);
    newest_ = output;
  }

  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glViewport(0, 0, pixelWidth, pixelHeight);
  const Color bg = snapshot.backgroundColor;
  glClearColor(bg.r, bg.g, bg.b, bg.a);
  glClear(GL_COLOR_BUFFER_BIT);
  if (drawable) {
    // Shaders write premultiplied colour; a node is drawn over what lies beneath it.
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    const auto areaW = static_cast<float>(sceneW), areaH = static_cast<float>(sceneH);
    if (snapshot.feedbackIsChild) {
      const Frame f = frameOf(fb);
      drawNode(fb, feedback_, resolve(plan.feedbackInput), plan.time, f.x, f.y, f.w, f.h, areaW,
               areaH);
    }
    if (snapshot.primaryIsChild) {
      const Frame f = frameOf(snapshot.primaryNode);
      drawNode(snapshot.primaryNode, primary_, resolve(plan.primaryInput), plan.time, f.x, f.y, f.w,
               f.h, areaW, areaH);
    }
  }
  glDisable(GL_BLEND);
  glUseProgram(0);
  glBindTexture(GL_TEXTURE_2D, 0);
  glBindVertexArray(0);
}

}  // namespace vora
