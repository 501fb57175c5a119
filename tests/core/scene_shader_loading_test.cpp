#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/platform/resources.h"
#include "core/scene/shader_loading.h"

namespace vora {
namespace {

namespace fs = std::filesystem;

// A resource directory of its own under the test's temporary directory.
class ResourceDir : public ::testing::Test {
 protected:
  ResourceDir() {
    root = fs::path(::testing::TempDir()) /
           ("vora-res-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root);
    fs::create_directories(root / "shaders");
  }
  ~ResourceDir() override { fs::remove_all(root); }
  void write(const fs::path& rel, const std::string& text) { std::ofstream(root / rel) << text; }
  fs::path root;
};

TEST_F(ResourceDir, LoadShaderReadsTheWholeFileWithWhatItIsGiven) {
  write("shaders/glow.fsh", "void main() {\n  fragColor = vec4(a_x);\n}\n");
  DirectoryBundle bundle(root);
  const std::vector<std::shared_ptr<const FloatUniform>> uniforms{
      std::make_shared<const FloatUniform>(FloatUniform{"u_x", 0.5f})};
  const std::vector<AttributeDeclaration> attributes{{NodeAttribute::a_x, AttributeType::float1}};

  Shader plain = loadShader(bundle, "glow");
  EXPECT_EQ(plain.program->name, "glow");
  EXPECT_EQ(plain.program->source, "void main() {\n  fragColor = vec4(a_x);\n}\n");
  EXPECT_TRUE(plain.program->uniforms.empty());
  EXPECT_TRUE(plain.program->attributes.empty());
  EXPECT_EQ(plain.textureUniformCount, 0u);

  Shader full = loadShader(bundle, "glow", &uniforms, &attributes);
  EXPECT_EQ(full.program->uniforms, uniforms) << "the same shared uniform objects";
  EXPECT_EQ(full.program->attributes, attributes);
}

TEST_F(ResourceDir, MissingOrUnreadableShaderEndsTheProgram) {
  write("shaders/locked.fsh", "void main() {}");
  fs::create_directories(root / "shaders" / "folder.fsh");  // a path that cannot be read
  DirectoryBundle bundle(root);
  const std::vector<AttributeDeclaration> attributes{{NodeAttribute::a_x, AttributeType::float1}};
  EXPECT_EXIT(loadShader(bundle, "heat-map", nullptr, &attributes), ::testing::ExitedWithCode(1),
              "^Fatal error: Unable to find shader heat-map.fsh in bundle\n$");
  EXPECT_EXIT(loadShader(bundle, "../shaders/locked"), ::testing::ExitedWithCode(1),
              "Unable to find shader ../shaders/locked.fsh in bundle");

  struct Unreadable final : ResourceBundle {
    std::optional<std::string> pathForResource(std::string_view, std::string_view) const override {
      return "somewhere.fsh";
    }
    std::optional<std::string> readText(const std::string&) const override { return std::nullopt; }
  } unreadable;
  EXPECT_EXIT(loadShader(unreadable, "pulse-cell"), ::testing::ExitedWithCode(1),
              "^Fatal error: Unable to load shader pulse-cell.fsh\n$");
}

TEST_F(ResourceDir, CandidatesPreferBesideTheExecutableThenPrefixThenSourceTree) {
  auto c = resourceCandidates("/opt/vora/bin/vora", "/src/vora/resources");
  EXPECT_EQ(c[0], fs::path("/opt/vora/bin/resources"));
  EXPECT_EQ(c[1], fs::path("/opt/vora/share/vora/resources"));
  EXPECT_EQ(c[2], fs::path("/src/vora/resources"));

  fs::create_directories(root / "prefix" / "share" / "vora" / "resources");
  auto found = resourceCandidates(root / "prefix" / "bin" / "vora", root);
  EXPECT_EQ(firstDirectory(found), root / "prefix" / "share" / "vora" / "resources");
  fs::create_directories(root / "prefix" / "bin" / "resources");
  EXPECT_EQ(firstDirectory(found), root / "prefix" / "bin" / "resources");
  EXPECT_EQ(firstDirectory(resourceCandidates("/nowhere/bin/vora", "")), std::nullopt);
}

}  // namespace
}  // namespace vora
