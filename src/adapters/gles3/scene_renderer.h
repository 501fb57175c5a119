#pragma once

#include <GLES3/gl3.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "adapters/gles3/gl_objects.h"
#include "core/platform/gfx.h"
#include "core/scene/scene_frame.h"

namespace vora {

/// Draws the scene behind the pad with OpenGL ES 3.0, from the snapshots the scene hands
/// its view. One renderer draws one scene; it lives on the thread that owns the GL context
/// (the window's render thread, or the headless run's own thread) and never calls into the
/// scene or the settings.
///
/// Use, in the window:
///
///     SceneMailbox mailbox(true);                 // main thread: the scene's view
///     touchPadView.layout(&mailbox, safe, insets);
///     ...render thread, context current:
///     SceneRenderer renderer;                    // once
///     SceneSnapshot snapshot;                    // kept, so reading allocates nothing
///     mailbox.read(snapshot);                    // every frame
///     renderer.drawFrame(snapshot, widthPx, heightPx, secondsNow);
///     ...then draw the UI over it and swap.
///
/// Each drawn frame of a presented, running scene advances the feedback one step:
/// the feedback node is drawn into one of two textures reading the other (ping-pong,
/// nothing allocated per frame), then both shaders read the newest. A shader is
/// compiled the first time a snapshot holds it. A shader that does not compile or link
/// is reported to onError with its name and the compiler's log; the default ends the
/// program (fatalError), so a broken look never shows as a silent black screen.
class SceneRenderer {
 public:
  using ErrorHandler = std::function<void(const std::string& message)>;

  /// Needs an OpenGL ES 3.0 context current on this thread.
  explicit SceneRenderer(ErrorHandler onError = {});
  /// The same context must be current.
  ~SceneRenderer();
  SceneRenderer(const SceneRenderer&) = delete;
  SceneRenderer& operator=(const SceneRenderer&) = delete;

  /// Draws one frame of snapshot into framebuffer (0: the context's own), pixelWidth x
  /// pixelHeight pixels covering the scene's size, at clockSeconds (any monotonic clock;
  /// it paces the shader time). Leaves that framebuffer bound, blending off and no
  /// program in use.
  void drawFrame(const SceneSnapshot& snapshot, int pixelWidth, int pixelHeight,
                 double clockSeconds, GLuint framebuffer = 0);

  /// Builds a look shader's program as drawFrame would; the message drawFrame would report
  /// when it fails. For checks of the looks.
  static std::optional<std::string> check(const ShaderProgram& program);

 private:
  struct Linked {
    gl::Program program;
    GLint frame = -1, areaSize = -1, time = -1, buffer = -1;
    std::vector<std::pair<GLint, float>> floats;  // shared uniforms: location, value
    std::array<GLint, kNodeAttributeCount> attributes{};
  };
  struct Slot {  // the program last used for one node
    std::shared_ptr<const ShaderProgram> source;
    Linked* linked = nullptr;
  };
  struct Target {
    gl::Texture texture;
    gl::Framebuffer framebuffer;
  };

  Linked* linkedFor(const ShaderProgram& program);
  void prepare(const SpriteNode& node, Slot& slot);
  GLuint resolve(const TextureSource& source);
  GLuint solidTexture(Color color);
  void ensureTargets(int width, int height);
  void drawNode(const SpriteNode& node, const Slot& slot, GLuint bufferTexture, float time, float x,
                float y, float w, float h, float areaW, float areaH);

  ErrorHandler onError_;
  SceneFrame frame_;
  gl::VertexArray vertexArray_;
  gl::Program plain_;
  GLint plainFrame_ = -1, plainArea_ = -1, plainColor_ = -1;
  std::unordered_map<std::string, std::unique_ptr<Linked>> programs_;  // by fragment text
  Slot primary_, feedback_;
  gl::Texture empty_;
  std::vector<std::pair<Color, gl::Texture>> solids_;
  std::array<Target, 2> targets_;
  int targetWidth_ = 0, targetHeight_ = 0;
  int newest_ = -1;  // the target holding the feedback node's newest rendering
};

}  // namespace vora
