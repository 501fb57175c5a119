#include "app/app_delegate.h"

namespace vora {

bool AppDelegate::didFinishLaunching() {
  // Vora collects nothing: there is no analytics set-up to run here.
  log_.console("launch");
  return true;
}

void AppDelegate::windowFocusGained() {
  background_ = false;
  if (active_) return;
  active_ = true;
  log_.system("active");
}

void AppDelegate::windowFocusLost() { active_ = false; }

void AppDelegate::windowMinimized() {
  active_ = false;
  if (background_) return;
  background_ = true;
  log_.system("entered background");
}

void AppDelegate::windowRestored() { background_ = false; }

}  // namespace vora
