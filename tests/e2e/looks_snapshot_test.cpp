// The looks as `vora --headless --snapshot` draws them on Mesa's llvmpipe: every look
// follows the finger, the feedback looks live on by themselves, and a look that cannot be
// loaded or compiled ends the run with its message.

#include <gtest/gtest.h>
#include <stb_image.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/headless_run.h"

namespace vora {
namespace {

namespace fs = std::filesystem;

struct Picture {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  bool ok() const { return width > 0; }
};

Picture load(const fs::path& file) {
  Picture p;
  int channels = 0;
  unsigned char* data = stbi_load(file.c_str(), &p.width, &p.height, &channels, 3);
  if (data == nullptr) return {};
  p.rgb.assign(data, data + static_cast<std::size_t>(p.width) * p.height * 3);
  stbi_image_free(data);
  return p;
}

// Mean absolute difference per channel over the square of side 2r around (x, y), top-down.
double difference(const Picture& a, const Picture& b, int x, int y, int r) {
  double sum = 0;
  int n = 0;
  for (int j = std::max(0, y - r); j < std::min(a.height, y + r); ++j) {
    for (int i = std::max(0, x - r); i < std::min(a.width, x + r); ++i) {
      for (int c = 0; c < 3; ++c) {
        const std::size_t k = (static_cast<std::size_t>(j) * a.width + i) * 3 + c;
        sum += std::abs(int(a.rgb[k]) - int(b.rgb[k]));
        ++n;
      }
    }
  }
  return n > 0 ? sum / n : 0;
}

double wholeDifference(const Picture& a, const Picture& b) {
  return difference(a, b, a.width / 2, a.height / 2, std::max(a.width, a.height));
}

bool uniform(const Picture& p) {
  for (std::size_t k = 3; k < p.rgb.size(); ++k) {
    if (p.rgb[k] != p.rgb[k % 3]) return false;
  }
  return true;
}

// Runs binary on script in dir with a fresh store and no MIDI port; env, if given, is put
// in front of the command ("NAME=value").
test::Run run(const fs::path& binary, const test::TempDir& dir, const std::string& script,
              const std::vector<std::string>& extra, const std::string& env = "") {
  const auto scriptFile = dir.path() / "script.txt";
  test::writeFile(scriptFile, script);
  std::string command = env + " timeout 120 '" + binary.string() + "' --headless --script '" +
                        scriptFile.string() + "' --store '" + (dir.path() / "store").string() +
                        "' --midi-api none";
  for (const auto& arg : extra) command += " '" + arg + "'";
  command += " >'" + (dir.path() / "out").string() + "' 2>'" + (dir.path() / "err").string() + "'";
  test::Run result;
  const int status = std::system(command.c_str());
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = test::readFile(dir.path() / "out");
  result.err = test::readFile(dir.path() / "err");
  return result;
}

// A pad of 200 x 120 points; the finger holds (150, 40) from 20 ms to the end at 300 ms.
std::string script(const std::string& look, bool touch) {
  std::string s = "0 appear 200 120\n0 look " + look + "\n";
  if (touch) {
    s += "20 began 1@140,40\n";
    for (int t = 40; t <= 280; t += 20) {
      s += std::to_string(t) + " moved 1@" + std::to_string(140 + (t / 20) % 3 * 5) + ",40\n";
    }
  }
  s += "300 dump\n";
  return s;
}

// Draws script's last frame; an empty picture when the run failed.
Picture snapshot(const std::string& text, std::vector<std::string> extra = {}) {
  test::TempDir dir;
  const fs::path png = dir.path() / "last.png";
  extra.insert(extra.end(), {"--snapshot", png.string()});
  const test::Run r = run(VORA_BINARY, dir, text, extra);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  if (r.err.find("cannot draw without a window") != std::string::npos) return {};
  Picture p = load(png);
  EXPECT_TRUE(p.ok()) << "no PNG at " << png;
  return p;
}

const char* const kLooks[] = {"Classic", "Heat Map", "Pulse Cell", "Warp Speed", "Life Flower"};

TEST(LooksSnapshot, EveryLookFollowsTheFinger) {
  for (const char* look : kLooks) {
    SCOPED_TRACE(look);
    const Picture touched = snapshot(script(look, true));
    if (!touched.ok()) GTEST_SKIP() << "this machine cannot draw without a window";
    const Picture idle = snapshot(script(look, false));
    ASSERT_TRUE(idle.ok());
    EXPECT_EQ(touched.width, 200);
    EXPECT_EQ(touched.height, 120);
    EXPECT_FALSE(uniform(touched));
    EXPECT_FALSE(uniform(idle));
    const double nearFinger = difference(touched, idle, 145, 40, 20);
    EXPECT_GT(nearFinger, 6.0) << "the finger shows where it is";
  }
}

TEST(LooksSnapshot, FeedbackLooksLiveOnWithoutATouch) {
  for (const char* look : {"Heat Map", "Pulse Cell", "Warp Speed", "Life Flower"}) {
    SCOPED_TRACE(look);
    const Picture first = snapshot(script(look, false));
    if (!first.ok()) GTEST_SKIP() << "this machine cannot draw without a window";
    const Picture later = snapshot(script(look, false), {"--linger", "120"});
    ASSERT_TRUE(later.ok());
    EXPECT_GT(wholeDifference(first, later), 0.05);
  }
}

TEST(LooksSnapshot, WithoutEglTheRunPlaysOnAndSaysOnceThatItDrawsNothing) {
  test::TempDir dir;
  const fs::path png = dir.path() / "last.png";
  // No EGL vendor library: the surfaceless platform is not there.
  const test::Run r = run(VORA_BINARY, dir, script("Heat Map", true), {"--snapshot", png.string()},
                          "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json");
  EXPECT_EQ(r.exitCode, 1) << "the asked-for picture was not written";
  EXPECT_NE(r.out.find("DUMP"), std::string::npos) << "the script played to its end";
  const std::string said = "the scene renders nothing and no snapshot will be written\n";
  EXPECT_EQ(r.err.rfind("vora: cannot draw without a window (", 0), 0u) << r.err;
  EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find(said), r.err.rfind(said)) << "said once";
  EXPECT_NE(r.err.find("vora: no snapshot written to " + png.string() + ": nothing was rendered\n"),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(png));
}

// The binary copied beside a resources directory of its own, which it then prefers.
class OwnResources : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir.path() / "bin" / "resources" / "shaders");
    fs::copy_file(VORA_BINARY, binary());
    for (const auto& entry :
         fs::directory_iterator(fs::path(VORA_SOURCE_DIR) / "resources" / "shaders")) {
      fs::copy_file(entry.path(), shaders() / entry.path().filename());
    }
  }
  fs::path binary() const { return dir.path() / "bin" / "vora"; }
  fs::path shaders() const { return dir.path() / "bin" / "resources" / "shaders"; }
  test::TempDir dir;
};

TEST_F(OwnResources, AMissingShaderEndsTheRunNamingIt) {
  fs::remove(shaders() / "heat-map-feedback.fsh");
  const test::Run r = run(binary(), dir, "0 appear 200 120\n10 look Heat Map\n20 dump\n", {});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Fatal error: Unable to find shader heat-map-feedback.fsh in bundle\n");
  EXPECT_EQ(r.out.find("DUMP"), std::string::npos) << "nothing runs after it";
}

TEST_F(OwnResources, AShaderThatDoesNotCompileEndsTheRunWithTheCompilersLog) {
  test::writeFile(shaders() / "pulse-cell.fsh", "void main() {\n  fragColor = vec4(1.0)\n}\n");
  const test::Run r = run(binary(), dir, "0 appear 200 120\n10 look Pulse Cell\n100 dump\n",
                          {"--snapshot", (dir.path() / "last.png").string()});
  if (r.err.find("cannot draw without a window") != std::string::npos) {
    GTEST_SKIP() << "this machine cannot draw without a window";
  }
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err.rfind("Fatal error: Unable to compile shader pulse-cell.fsh:\n", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("error"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir.path() / "last.png"));
}

}  // namespace
}  // namespace vora
