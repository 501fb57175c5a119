#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "core/platform/defaults_store.h"

namespace vora {
namespace {

TEST(DefaultsStore, TypedReadsOfEveryKindOfValue) {
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  struct Case {
    const char* what;
    std::optional<DefaultsValue> value;
    std::int64_t integer;
    bool boolean;
    std::optional<std::string> string;
    std::optional<std::int64_t> storedInteger;
  };
  const Case cases[] = {
      {"absent", std::nullopt, 0, false, std::nullopt, std::nullopt},
      {"integer", std::int64_t{21}, 21, false, std::nullopt, 21},
      {"real", 21.9, 21, false, std::nullopt, std::nullopt},
      {"negative real", -2.5, -2, false, std::nullopt, std::nullopt},
      {"huge real", 1e30, kMax, false, std::nullopt, std::nullopt},
      {"huge negative real", -1e30, kMin, false, std::nullopt, std::nullopt},
      {"not a number", std::nan(""), 0, false, std::nullopt, std::nullopt},
      {"true", true, 0, true, std::nullopt, std::nullopt},
      {"false", false, 0, false, std::nullopt, std::nullopt},
      {"string", std::string("21"), 0, false, "21", std::nullopt},
      {"other", OtherValue{"[1,2]"}, 0, false, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryDefaultsStore store;
    if (c.value) store.set("k", *c.value);
    EXPECT_EQ(store.exists("k"), c.value.has_value());
    EXPECT_EQ(store.integerForKey("k"), c.integer);
    EXPECT_EQ(store.boolForKey("k"), c.boolean);
    const auto s = store.stringForKey("k");
    EXPECT_EQ(s ? std::optional<std::string>(*s) : std::nullopt, c.string);
    EXPECT_EQ(store.storedInteger("k"), c.storedInteger);
  }
}

TEST(DefaultsStore, SetReplacesAndRemoveForgets) {
  MemoryDefaultsStore store;
  store.setInteger("LaunchCount", 3);
  store.setString("LaunchCount", "three");
  EXPECT_EQ(store.integerForKey("LaunchCount"), 0);
  store.remove("LaunchCount");
  store.remove("LaunchCount");
  EXPECT_FALSE(store.exists("LaunchCount"));
  EXPECT_TRUE(store.values().empty());
}

}  // namespace
}  // namespace vora
