#include "adapters/gles3/egl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <cstring>

namespace vora {

namespace {

bool hasExtension(const char* list, const char* name) {
  if (list == nullptr) return false;
  const std::size_t n = std::strlen(name);
  for (const char* p = std::strstr(list, name); p != nullptr; p = std::strstr(p + 1, name)) {
    if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true;
  }
  return false;
}

std::string eglErrorText(const char* what) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
  return std::string(what) + " failed (EGL error " + code + ")";
}

}  // namespace

std::unique_ptr<EglSurfacelessContext> EglSurfacelessContext::create(std::string& error) {
  const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (!hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
    error = "EGL has no surfaceless platform (EGL_MESA_platform_surfaceless)";
    return nullptr;
  }
  auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (getPlatformDisplay == nullptr) {
    error = "EGL cannot open platform displays (eglGetPlatformDisplayEXT)";
    return nullptr;
  }
  EGLDisplay display =
      getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display == EGL_NO_DISPLAY) {
    error = eglErrorText("opening the surfaceless EGL display");
    return nullptr;
  }
  EGLint major = 0, minor = 0;
  if (eglInitialize(display, &major, &minor) != EGL_TRUE) {
    error = eglErrorText("eglInitialize");
    return nullptr;
  }
  std::unique_ptr<EglSurfacelessContext> result(new EglSurfacelessContext);
  result->display_ = display;
  const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
  if (!hasExtension(extensions, "EGL_KHR_surfaceless_context") ||
      !hasExtension(extensions, "EGL_KHR_no_config_context")) {
    error = "EGL cannot make a context without a surface";
    return nullptr;
  }
  if (eglBindAPI(EGL_OPENGL_ES_API) != EGL_TRUE) {
    error = eglErrorText("eglBindAPI(OpenGL ES)");
    return nullptr;
  }
  const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0,
                               EGL_NONE};
  EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
  if (context == EGL_NO_CONTEXT) {
    error = eglErrorText("creating an OpenGL ES 3.0 context");
    return nullptr;
  }
  result->context_ = context;
  if (!result->makeCurrent()) {
    error = eglErrorText("eglMakeCurrent");
    return nullptr;
  }
  return result;
}

bool EglSurfacelessContext::makeCurrent() {
  return eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE,
                        static_cast<EGLContext>(context_)) == EGL_TRUE;
}

EglSurfacelessContext::~EglSurfacelessContext() {
  if (display_ == nullptr) return;
  eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (context_ != nullptr) eglDestroyContext(display_, static_cast<EGLContext>(context_));
  eglTerminate(display_);
}

}  // namespace vora
