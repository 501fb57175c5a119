#include "core/platform/notification_center.h"

#include <algorithm>
#include <mutex>
#include <utility>

namespace vora {

NotificationCenter::Token NotificationCenter::addObserver(std::string_view name,
                                                          std::function<void()> fn) {
  std::unique_lock lock(mutex_);
  const Token token = nextToken_++;
  entries_.push_back(Entry{token, std::string(name), std::move(fn)});
  return token;
}

void NotificationCenter::removeObserver(Token token) {
  std::unique_lock lock(mutex_);
  std::erase_if(entries_, [token](const Entry& e) { return e.token == token; });
}

void NotificationCenter::post(std::string_view name) const {
  // A shared lock: posts from the receiving thread and the main thread run side by side,
  // and nothing is copied, so a flood of posts allocates nothing.
  std::shared_lock lock(mutex_);
  for (const auto& entry : entries_) {
    if (entry.name == name) entry.fn();
  }
}

}  // namespace vora
