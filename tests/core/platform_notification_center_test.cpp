#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

#include "core/platform/notification_center.h"
#include "core/settings/keys.h"

namespace vora {
namespace {

TEST(NotificationCenter, EachNameReachesItsObserversExactlyOncePerPost) {
  NotificationCenter center;
  const std::string_view names[] = {notification::lookChanged, notification::xRecieved,
                                    notification::yRecieved,   notification::zRecieved,
                                    notification::arrowsShown, notification::lockShown};
  std::map<std::string, int> heard;
  for (auto name : names) {
    center.addObserver(name, [&heard, name] { ++heard[std::string(name)]; });
  }
  int second = 0;
  center.addObserver(notification::lookChanged, [&] { ++second; });
  for (auto name : names) center.post(name);
  for (auto name : names) EXPECT_EQ(heard[std::string(name)], 1) << name;
  EXPECT_EQ(second, 1);
  EXPECT_EQ(names[0], "look changed");
  EXPECT_EQ(names[1], "x recieved");
}

TEST(NotificationCenter, PostingWithNoObserverOrAfterRemovalIsHarmless) {
  NotificationCenter center;
  center.post("look changed");
  int heard = 0;
  const auto token = center.addObserver("look changed", [&] { ++heard; });
  center.post("lock shown");
  center.post("look changed");
  center.removeObserver(token);
  center.removeObserver(token);
  center.post("look changed");
  EXPECT_EQ(heard, 1);
}

TEST(NotificationCenter, ObserversMayPostAddAndRemoveFromInsideADelivery) {
  NotificationCenter center;
  std::vector<std::string> order;
  NotificationCenter::Token self = 0;
  self = center.addObserver("arrows shown", [&] {
    order.emplace_back("arrows");
    center.post("lock shown");
    center.addObserver("arrows shown", [&] { order.emplace_back("added"); });
    center.removeObserver(self);
  });
  center.addObserver("lock shown", [&] { order.emplace_back("lock"); });
  center.post("arrows shown");
  center.post("arrows shown");
  EXPECT_EQ(order, (std::vector<std::string>{"arrows", "lock", "added"}));
}

TEST(NotificationCenter, PostsFromTwoThreadsReachTheObserver) {
  NotificationCenter center;
  std::atomic<int> heard{0};
  center.addObserver("x recieved", [&] { ++heard; });
  std::thread receiving([&] {
    for (int i = 0; i < 1000; ++i) center.post("x recieved");
  });
  for (int i = 0; i < 1000; ++i) center.post("x recieved");
  receiving.join();
  EXPECT_EQ(heard.load(), 2000);
}

}  // namespace
}  // namespace vora
