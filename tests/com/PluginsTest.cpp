#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "com/TestInterfaces.h"
#include "platform/PlatformExtensions.h"

namespace {

const std::string PluginFolder = ZELK_TEST_COM_PLUGIN_DIR;

}  // namespace

TEST(ComPlugins, GoodModulesRegisterAndBrokenOnesAreSkipped) {
  const std::vector<TComPluginResult> results = LoadComPlugins(PluginFolder);
  ASSERT_EQ(results.size(), 2u);
  // Name order: the failing module first; it does not keep the next one from loading.
  EXPECT_EQ(std::filesystem::path(results[0].Path).filename(), "FailingPlugin.so");
  EXPECT_EQ(results[0].Result, E_ACCESSDENIED);
  EXPECT_EQ(results[0].Error, "DllRegisterServer failed with 0x80070005");
  EXPECT_EQ(std::filesystem::path(results[1].Path).filename(), "GoodPlugin.so");
  EXPECT_EQ(results[1].Result, S_OK);

  // The module registered its class with a ProgID; creation goes through InprocServer32.
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(TestPluginProgId, &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_TestPluginCounter);
  ComPtr<ITestCounter> counter;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_ITestCounter, reinterpret_cast<void**>(counter.GetAddressOf())), S_OK);
  LONG value = 0;
  EXPECT_EQ(counter->Increment(&value), S_OK);
  EXPECT_EQ(counter->Increment(&value), S_OK);
  EXPECT_EQ(value, 2);
  EXPECT_EQ(counter->Release(), 0u);
  counter.Detach();
}

TEST(ComPlugins, FilesThatAreNoModulesAreSkipped) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zelk_com_plugins_broken";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "Broken.so") << "not a shared object";
  std::ofstream(folder / "Readme.txt") << "ignored: not a module name";

  const std::vector<TComPluginResult> results = LoadComPlugins(folder.string());
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].Result, HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
  EXPECT_FALSE(results[0].Error.empty());
  std::filesystem::remove_all(folder);

  EXPECT_TRUE(LoadComPlugins((folder / "missing").string()).empty());
}

TEST(ComPlugins, TheEnvironmentNamesTheFolders) {
  const std::string path = "/nonexistent/zelk:" + PluginFolder;
  ASSERT_EQ(setenv(ComPluginPathVariable, path.c_str(), 1), 0);
  testing::internal::CaptureStderr();
  const std::vector<TComPluginResult> results = LoadComPluginsFromEnvironment();
  const std::string diagnostics = testing::internal::GetCapturedStderr();
  unsetenv(ComPluginPathVariable);
  EXPECT_EQ(results.size(), 2u);
  EXPECT_NE(diagnostics.find("FailingPlugin.so skipped: DllRegisterServer failed with 0x80070005"), std::string::npos);
  EXPECT_EQ(diagnostics.find("GoodPlugin.so"), std::string::npos);
  EXPECT_TRUE(LoadComPluginsFromEnvironment().empty());
}
