#include "app/window_app.h"

#include <GLES3/gl3.h>
#include <SDL.h>
#include <imgui.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>

#include "adapters/gles3/scene_renderer.h"
#include "adapters/imgui/alert_presenter.h"
#include "adapters/imgui/form_kit.h"
#include "adapters/imgui/gles3_ui_renderer.h"
#include "adapters/imgui/image_library.h"
#include "adapters/imgui/main_screen_painter.h"
#include "adapters/imgui/settings_sheet.h"
#include "adapters/imgui/ui_context.h"
#include "adapters/json_store/json_file_defaults_store.h"
#include "adapters/rtmidi/rtmidi_port.h"
#include "adapters/sdl2/frame_mailbox.h"
#include "adapters/sdl2/main_screen_layout.h"
#include "adapters/sdl2/render_thread.h"
#include "adapters/sdl2/sdl_input.h"
#include "adapters/sdl2/sdl_run_loop.h"
#include "adapters/sdl2/sdl_window.h"
#include "adapters/sdl2/touch_router.h"
#include "app/app_delegate.h"
#include "core/midi/midi_handler.h"
#include "core/midi/midi_setup_watcher.h"
#include "core/platform/notification_center.h"
#include "core/platform/resources.h"
#include "core/scene/scene_mailbox.h"

namespace vora {

namespace {

/// What the desktop does for the controller: the browser, no store rating, no screen saver.
class SdlShell final : public ShellHooks {
 public:
  explicit SdlShell(Log& log) : log_(log) {}
  void openUrl(std::string_view url) override {
    const std::string address(url);
    if (SDL_OpenURL(address.c_str()) != 0) {
      log_.system("vora: cannot open " + address + ": " + SDL_GetError());
    }
  }
  void requestReview() override {}
  void disableIdleTimer() override { SDL_DisableScreenSaver(); }

 private:
  Log& log_;
};

/// Where the router's touches and taps go: the controller, and the settings button's sheet.
class ControllerInput final : public MainScreenInput {
 public:
  ControllerInput(ViewController& vc, SettingsSheet& sheet) : vc_(vc), sheet_(sheet) {}
  void touchesBegan(TouchSet t) override { vc_.touchesBegan(t); }
  void touchesMoved(TouchSet t) override { vc_.touchesMoved(t); }
  void touchesEnded(TouchSet t) override { vc_.touchesEnded(t); }
  void touchesCancelled(TouchSet t) override { vc_.touchesCancelled(t); }
  void buttonTapped(HitView button) override {
    switch (button) {
      case HitView::settingsButton:
        sheet_.open();
        break;
      case HitView::modeButton:
        vc_.modePressed();
        break;
      case HitView::pinButton:
        vc_.pinPressed();
        break;
      case HitView::leftButton:
        vc_.leftPressed();
        break;
      case HitView::rightButton:
        vc_.rightPressed();
        break;
      case HitView::lockEnableButton:
        vc_.lockEnablePressed();
        break;
      case HitView::pad:
      case HitView::lockView:
      case HitView::other:
        break;
    }
  }

 private:
  ViewController& vc_;
  SettingsSheet& sheet_;
};

bool isPointerDown(const SDL_Event& e) {
  return e.type == SDL_MOUSEBUTTONDOWN || e.type == SDL_FINGERDOWN;
}

std::filesystem::path fontFile(const char* name) {
  return std::filesystem::path("/usr/share/fonts/truetype/dejavu") / name;
}

}  // namespace

int runWindowApp(const WindowAppOptions& options) {
  StdioLog log;
  AppDelegate delegate(log);
  delegate.didFinishLaunching();

  std::string error;
  std::optional<SdlWindow> window =
      SdlWindow::open(WindowOptions{options.windowed, 1024, 600, "Vora"}, error);
  if (!window) {
    log.system("vora: " + error);
    return 1;
  }
  log.system("vora: drawing with " + window->renderer());

  // The platform's services. The run loop is the window's own: events, ticks and tasks
  // share one wait on the main thread.
  SdlRunLoop loop;
  NotificationCenter notifications;
  JsonFileDefaultsStore store(
      options.storeDir ? std::filesystem::path(*options.storeDir) : defaultStoreDirectory(), log);
  OpenedMidiPort opened;
  if (options.midiPort == nullptr) {
    opened = openMidiPort(options.midiApi, log);
    if (!opened.port) {
      log.system("vora: " + opened.error + "; playing on with no MIDI port");
      opened.port = std::make_unique<NullMidiPort>();
    }
  }
  MidiPort& midi = options.midiPort != nullptr ? *options.midiPort : *opened.port;
  SdlShell shell(log);

  std::optional<ViewController> vc;
  vc.emplace(Services{store, notifications, log, loop, midi}, options.device, shell);
  MidiSetupWatcher watcher(loop, midi, *vc->manager().handler);

  // The screen layout, as the layout file would give it, then the controller's load.
  Size size = window->size();
  const double inset = vc->touchPadView.paddingDist;
  layoutMainScreen(vc->elements, size, inset, true);
  vc->viewDidLoad();
  SceneMailbox sceneView(true);
  vc->touchPadView.layout(&sceneView, size, EdgeInsets{});

  // Images and the interface: read once, before the render thread starts.
  ImageLibrary images;
  std::vector<std::string> problems;
  if (auto dir = locateResources()) {
    images.loadDirectory(*dir / "images", problems);
  } else {
    problems.push_back("no resources directory found; buttons show no images");
  }
  for (const auto& p : problems) log.system("vora: " + p);
  const Size pixels = window->pixelSize();
  const float pixelScale = size.width > 0 ? float(pixels.width / size.width) : 1.0f;
  UiContext ui(window->window(), pixelScale, fontFile("DejaVuSans.ttf"),
               fontFile("DejaVuSans-Bold.ttf"));
  form::useSmallFont(ui.fonts().small);
  SettingsSheet sheet(vc->manager(), images, ui.fonts(), shell);
  AlertPresenter alert(ui.fonts());
  ControllerInput input(*vc, sheet);
  TouchRouter router(vc->elements, input);
  router.setPadOrigin(padOrigin(vc->elements, size));

  // Drawing. The main thread builds each frame of the interface (ImGui needs the models,
  // which live here) and hands its geometry over; the render thread owns the GL context and
  // draws the scene and that geometry. Touches and ticks therefore never wait for the GPU
  // or a software rasteriser, and a slow frame only makes the next one late.
  FrameMailbox<UiFrame> uiFrames;
  std::atomic<bool> frameRequested{false};
  std::unique_ptr<Gles3UiRenderer> uiRenderer;
  std::unique_ptr<SceneRenderer> sceneRenderer;
  SceneSnapshot sceneSnapshot;  // kept: reading the latest into it allocates nothing
  const auto drawStart = std::chrono::steady_clock::now();
  // An alert the controller asks for is up at once, before it is first drawn: from then on it
  // takes every new touch.
  auto presentPendingAlert = [&] {
    if (vc->pendingAlert) {
      alert.present(*vc->pendingAlert);
      vc->pendingAlert.reset();
    }
  };
  auto buildFrame = [&] {
    frameRequested = false;
    presentPendingAlert();
    ui.beginFrame();
    const ImVec2 screen = ImGui::GetIO().DisplaySize;
    paintMainScreen(
        *ImGui::GetBackgroundDrawList(), vc->elements, padOrigin(vc->elements, size), images,
        [&](const Element& e) {
          for (HitView v : {HitView::settingsButton, HitView::modeButton, HitView::pinButton,
                            HitView::leftButton, HitView::rightButton, HitView::lockEnableButton}) {
            if (elementFor(vc->elements, v) == &e) return router.isHeld(v);
          }
          return false;
        });
    sheet.draw(screen);
    if (auto chosen = alert.draw(screen); chosen && *chosen == 0) vc->openSetupInstructions();
    ui.endFrame(uiFrames.back());
    uiFrames.publish();
  };
  auto requestFrame = [&] {
    if (!frameRequested.exchange(true)) loop.post(buildFrame);
  };

  vc->viewWillAppear();
  buildFrame();
  std::optional<RenderThread> render;
  render.emplace(
      window->window(), window->context(),
      [&] {
        if (!uiRenderer) {
          sceneRenderer = std::make_unique<SceneRenderer>();
          uiRenderer = std::make_unique<Gles3UiRenderer>(ui.fontPixels(), ui.fontWidth(),
                                                         ui.fontHeight(), images);
        }
        uiFrames.acquire();
        const UiFrame& frame = uiFrames.front();
        const int pw = int(std::lround(frame.displaySize.x * frame.framebufferScale.x));
        const int ph = int(std::lround(frame.displaySize.y * frame.framebufferScale.y));
        glViewport(0, 0, pw, ph);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        // The scene fills the pad behind everything; the interface goes over it.
        sceneView.read(sceneSnapshot);
        const std::chrono::duration<double> clock = std::chrono::steady_clock::now() - drawStart;
        sceneRenderer->drawFrame(sceneSnapshot, pw, ph, clock.count());
        uiRenderer->draw(frame, pw, ph);
      },
      requestFrame,
      [&] {
        uiRenderer.reset();
        sceneRenderer.reset();
      });
  SDL_RaiseWindow(window->window());
  vc->viewDidAppear();
  presentPendingAlert();
  if (options.onAppeared) options.onAppeared(*vc, loop);

  bool running = true;
  auto handle = [&](const SDL_Event& e) {
    if (e.type == loop.wakeEventType()) return;
    ui.processEvent(e);
    switch (e.type) {
      case SDL_QUIT:
        running = false;
        return;
      case SDL_WINDOWEVENT:
        switch (e.window.event) {
          case SDL_WINDOWEVENT_SIZE_CHANGED: {
            size = window->size();
            layoutMainScreen(vc->elements, size, inset, false);
            router.setPadOrigin(padOrigin(vc->elements, size));
            // Touches are measured against the pad as it is now, not as it was when the
            // screen appeared: a resized window keeps x and y spanning 0..1.
            vc->width = vc->elements.touchArea.size.width;
            vc->height = vc->elements.touchArea.size.height;
            vc->touchPadView.layout(&sceneView, size, EdgeInsets{});
            break;
          }
          case SDL_WINDOWEVENT_FOCUS_GAINED:
            delegate.windowFocusGained();
            break;
          case SDL_WINDOWEVENT_FOCUS_LOST:
            // As on a phone, touches in progress are cancelled when the app resigns.
            router.cancelAll();
            delegate.windowFocusLost();
            break;
          case SDL_WINDOWEVENT_MINIMIZED:
          case SDL_WINDOWEVENT_HIDDEN:
            render->setVisible(false);
            delegate.windowMinimized();
            break;
          case SDL_WINDOWEVENT_RESTORED:
          case SDL_WINDOWEVENT_SHOWN:
            render->setVisible(true);
            delegate.windowRestored();
            break;
          default:
            break;
        }
        return;
      default:
        break;
    }
    // An alert or a sheet takes every new touch; touches that began on the pad before it
    // showed play on until they lift.
    if (isPointerDown(e) && (alert.isPresented() || sheet.isOpen())) return;
    routePointerEvent(e, router, size);
  };

  while (running) {
    loop.runDue();
    SDL_Event event;
    if (loop.waitEvent(event)) {
      handle(event);
      while (running && SDL_PollEvent(&event) != 0) {
        presentPendingAlert();
        handle(event);
      }
    }
  }

  // Drawing stops first; then the controller, whose MIDI handler closes the inputs (the
  // receiving thread calls into it) while the port still lives; the port goes last.
  render.reset();
  sheet.close();
  vc.reset();
  return 0;
}

}  // namespace vora
