// binario.exe's resources, read back from the built program as Windows reads
// them: the manifest Windows acts on, the version Explorer shows, the icon.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <string_view>

#include "platform/win32_text.h"

namespace binario {
namespace {

class ResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = ::LoadLibraryExW(utf8_to_wide(BINARIO_EXE).c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr) << BINARIO_EXE;
  }
  void TearDown() override {
    if (module_) ::FreeLibrary(module_);
  }
  // The bytes of resource 1 of `type`, empty when there is none.
  std::string_view resource(const wchar_t* type) const {
    HRSRC found = ::FindResourceW(module_, MAKEINTRESOURCEW(1), type);
    if (!found) return {};
    HGLOBAL loaded = ::LoadResource(module_, found);
    return {static_cast<const char*>(::LockResource(loaded)),
            static_cast<size_t>(::SizeofResource(module_, found))};
  }

  HMODULE module_ = nullptr;
};

TEST_F(ResourcesTest, TheManifestAsksForWhatTheProgramNeeds) {
  const std::string_view manifest = resource(RT_MANIFEST);
  ASSERT_FALSE(manifest.empty());
  for (const char* wanted : {
           R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)",
           R"(>true</longPathAware>)",
           R"(>true/pm</dpiAware>)",
           R"(>PerMonitorV2, PerMonitor</dpiAwareness>)",
           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
           R"(version=")" BINARIO_VERSION R"(.0")",
       }) {
    EXPECT_NE(manifest.find(wanted), std::string_view::npos) << wanted;
  }
}

TEST_F(ResourcesTest, TheVersionIsTheProjects) {
  const std::string_view info = resource(RT_VERSION);
  ASSERT_FALSE(info.empty());
  // The fixed part starts with its signature.
  const DWORD signature = 0xFEEF04BD;
  const size_t at = info.find(std::string_view(reinterpret_cast<const char*>(&signature), 4));
  ASSERT_NE(at, std::string_view::npos);
  VS_FIXEDFILEINFO fixed;
  ASSERT_LE(at + sizeof fixed, info.size());
  std::memcpy(&fixed, info.data() + at, sizeof fixed);
  const std::string version = std::to_string(HIWORD(fixed.dwFileVersionMS)) + "." +
                              std::to_string(LOWORD(fixed.dwFileVersionMS)) + "." +
                              std::to_string(HIWORD(fixed.dwFileVersionLS));
  EXPECT_EQ(version, BINARIO_VERSION);
  EXPECT_EQ(fixed.dwProductVersionMS, fixed.dwFileVersionMS);
  // The text Explorer shows, in UTF-16.
  const std::wstring text = utf8_to_wide(BINARIO_VERSION);
  const std::string_view bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  EXPECT_NE(info.find(bytes), std::string_view::npos);
}

TEST_F(ResourcesTest, TheIconComesInEverySizeExplorerShows) {
  const std::string_view group = resource(RT_GROUP_ICON);
  ASSERT_GE(group.size(), 6u);
  uint16_t count = 0;
  std::memcpy(&count, group.data() + 4, 2);  // after the reserved word and the type
  EXPECT_EQ(count, 6);
}

}  // namespace
}  // namespace binario
