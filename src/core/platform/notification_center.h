#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace vora {

/// Broadcast notifications by name, delivered synchronously on the posting thread.
/// Safe to post from any thread; observers that must run on the main thread hop there
/// themselves (through the run loop's post).
class NotificationCenter {
 public:
  using Token = std::uint64_t;

  NotificationCenter();

  /// Registers fn for every later post of name; returns a token for removeObserver.
  /// May be called from anywhere, an observer included.
  Token addObserver(std::string_view name, std::function<void()> fn);

  /// Stops the observer's deliveries. A post already running on another thread may still
  /// reach it once. May be called from anywhere, an observer included.
  void removeObserver(Token token);

  /// Calls every observer of name, in registration order, before returning. Posting a
  /// name nobody observes does nothing. Allocates nothing; an observer may post again.
  void post(std::string_view name) const;

 private:
  struct Entry {
    Token token;
    std::string name;
    std::function<void()> fn;
  };
  using Entries = std::vector<Entry>;

  // The observer list is replaced, never changed in place: a post walks its own snapshot
  // with no lock held, so observers can post, add or remove without deadlock.
  mutable std::mutex mutex_;
  std::shared_ptr<const Entries> entries_;
  Token nextToken_ = 1;
};

}  // namespace vora
