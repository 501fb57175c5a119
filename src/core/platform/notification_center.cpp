#include "core/platform/notification_center.h"

#include <algorithm>
#include <utility>

namespace vora {

NotificationCenter::NotificationCenter() : entries_(std::make_shared<const Entries>()) {}

NotificationCenter::Token NotificationCenter::addObserver(std::string_view name,
                                                          std::function<void()> fn) {
  std::lock_guard lock(mutex_);
  auto next = std::make_shared<Entries>(*entries_);
  const Token token = nextToken_++;
  next->push_back(Entry{token, std::string(name), std::move(fn)});
  entries_ = std::move(next);
  return token;
}

void NotificationCenter::removeObserver(Token token) {
  std::lock_guard lock(mutex_);
  auto next = std::make_shared<Entries>(*entries_);
  std::erase_if(*next, [token](const Entry& e) { return e.token == token; });
  entries_ = std::move(next);
}

void NotificationCenter::post(std::string_view name) const {
  std::shared_ptr<const Entries> snapshot;
  {
    std::lock_guard lock(mutex_);
    snapshot = entries_;  // a reference count, no allocation
  }
  for (const auto& entry : *snapshot) {
    if (entry.name == name) entry.fn();
  }
}

}  // namespace vora
