#include "core/platform/defaults_store.h"

#include <cmath>
#include <limits>

namespace vora {

std::int64_t DefaultsStore::integerForKey(std::string_view key) const {
  const DefaultsValue* value = find(key);
  if (value == nullptr) return 0;
  if (const auto* i = std::get_if<std::int64_t>(value)) return *i;
  if (const auto* d = std::get_if<double>(value)) {
    if (std::isnan(*d)) return 0;
    constexpr double kMax = 9.2233720368547748e18;  // largest double below 2^63
    if (*d >= kMax) return std::numeric_limits<std::int64_t>::max();
    if (*d <= -kMax) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(*d);
  }
  return 0;
}

bool DefaultsStore::boolForKey(std::string_view key) const {
  const DefaultsValue* value = find(key);
  if (value == nullptr) return false;
  const auto* b = std::get_if<bool>(value);
  return b != nullptr && *b;
}

std::optional<std::string_view> DefaultsStore::stringForKey(std::string_view key) const {
  const DefaultsValue* value = find(key);
  if (value == nullptr) return std::nullopt;
  if (const auto* s = std::get_if<std::string>(value)) return std::string_view(*s);
  return std::nullopt;
}

std::optional<std::int64_t> DefaultsStore::storedInteger(std::string_view key) const {
  const DefaultsValue* value = find(key);
  if (value == nullptr) return std::nullopt;
  if (const auto* i = std::get_if<std::int64_t>(value)) return *i;
  return std::nullopt;
}

const DefaultsValue* MemoryDefaultsStore::find(std::string_view key) const {
  auto it = values_.find(key);
  return it == values_.end() ? nullptr : &it->second;
}

void MemoryDefaultsStore::set(std::string_view key, DefaultsValue value) {
  auto it = values_.find(key);
  if (it == values_.end()) {
    values_.emplace(std::string(key), std::move(value));
  } else {
    it->second = std::move(value);
  }
}

void MemoryDefaultsStore::remove(std::string_view key) {
  auto it = values_.find(key);
  if (it != values_.end()) values_.erase(it);
}

}  // namespace vora
