#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace vora {

/// A stored value that is none of the store's kinds (in the file: an array, an object or
/// null): it makes its key exist, reads of it give 0, false or no string, and the store
/// writes it back as it found it.
struct OtherValue {
  std::string text;  ///< the value as the backing file spells it; opaque to the core
  bool operator==(const OtherValue&) const = default;
};

/// One value of the user-defaults store.
using DefaultsValue = std::variant<std::int64_t, double, bool, std::string, OtherValue>;

/// The user-defaults store: flat key-value pairs that outlive the run.
/// Main thread only. Every write is persisted at once by the implementation.
class DefaultsStore {
 public:
  virtual ~DefaultsStore() = default;

  /// The value under key, or nullptr; valid until the next write.
  virtual const DefaultsValue* find(std::string_view key) const = 0;
  /// Stores value under key, replacing what was there.
  virtual void set(std::string_view key, DefaultsValue value) = 0;
  /// Removes key; removing an absent key does nothing.
  virtual void remove(std::string_view key) = 0;

  /// True when any value is stored under key.
  bool exists(std::string_view key) const { return find(key) != nullptr; }
  /// The integer under key: an integer as stored, a real number truncated toward zero
  /// (limited to the 64-bit range), anything else or nothing 0.
  std::int64_t integerForKey(std::string_view key) const;
  /// The Boolean under key; anything else or nothing gives false.
  bool boolForKey(std::string_view key) const;
  /// The string under key, when a string is stored there.
  std::optional<std::string_view> stringForKey(std::string_view key) const;
  /// The integer under key only when an integer is stored there.
  std::optional<std::int64_t> storedInteger(std::string_view key) const;

  void setInteger(std::string_view key, std::int64_t value) { set(key, value); }
  void setBool(std::string_view key, bool value) { set(key, value); }
  void setString(std::string_view key, std::string_view value) { set(key, std::string(value)); }
};

/// A store in memory: the tests' store, and the base of the file-backed one.
class MemoryDefaultsStore : public DefaultsStore {
 public:
  const DefaultsValue* find(std::string_view key) const override;
  void set(std::string_view key, DefaultsValue value) override;
  void remove(std::string_view key) override;

  /// Every key and value, in key order.
  const std::map<std::string, DefaultsValue, std::less<>>& values() const { return values_; }

 protected:
  std::map<std::string, DefaultsValue, std::less<>> values_;
};

}  // namespace vora
