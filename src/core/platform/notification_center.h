#pragma once

#include <cstdint>
#include <functional>
#include <shared_mutex>
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

  /// Registers fn for every later post of name; returns a token for removeObserver.
  /// Must not be called from inside an observer.
  Token addObserver(std::string_view name, std::function<void()> fn);

  /// Stops the observer's deliveries. Must not be called from inside an observer.
  void removeObserver(Token token);

  /// Calls every observer of name, in registration order, before returning.
  /// Posting a name nobody observes does nothing.
  void post(std::string_view name) const;

 private:
  struct Entry {
    Token token;
    std::string name;
    std::function<void()> fn;
  };
  mutable std::shared_mutex mutex_;
  std::vector<Entry> entries_;
  Token nextToken_ = 1;
};

}  // namespace vora
