// The registrar against a scratch key standing in for the classes root.
#include <gtest/gtest.h>

#include "server/registrar.h"
#include "test_support.h"

namespace korvel {
namespace {

class RegistrarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = L"Software\\KorvelRegistrarTest\\" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(counter_++);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, name_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &root_, nullptr));
    replacements_.Add(L"MODULE", L"C:\\x\\server.dll");
    replacements_.Add(L"APPID", L"{0000}");
  }
  void TearDown() override {
    RegCloseKey(root_);
    RegDeleteTreeW(HKEY_CURRENT_USER, name_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, name_.c_str());
  }

  HRESULT Run(const std::wstring& script, ScriptAction action) {
    return RunRegistryScript(script, replacements_, action, root_);
  }
  bool Exists(const std::wstring& path) {
    HKEY k;
    if (RegOpenKeyExW(root_, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
  }
  std::wstring Value(const std::wstring& path, const wchar_t* name = nullptr) {
    wchar_t buffer[512] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueW(root_, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
      return L"<missing>";
    return buffer;
  }
  void CreateKey(const std::wstring& path) {
    HKEY k;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root_, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
    RegCloseKey(k);
  }

  static inline int counter_ = 0;
  std::wstring name_;
  HKEY root_ = nullptr;
  RegistryReplacements replacements_;
};

const wchar_t kClassScript[] = LR"(HKCR
{
	My.Thing.1 = s 'My class'
	{
		CLSID = s '{11111111-2222-3333-4444-555555555555}'
	}
	NoRemove CLSID
	{
		ForceRemove {11111111-2222-3333-4444-555555555555} = s 'My class'
		{
			ForceRemove Programmable
			InprocServer32 = s '%MODULE%'
			{
				val ThreadingModel = s 'Apartment'
			}
			TypeLib = s '%appid%'
			Quote = s 'it''s 100%% done'
			Number = d '42'
		}
	}
})";

TEST_F(RegistrarTest, RegistersKeysValuesAndReplacements) {
  ASSERT_EQ(S_OK, Run(kClassScript, ScriptAction::Register));
  const std::wstring clsid = L"CLSID\\{11111111-2222-3333-4444-555555555555}";
  EXPECT_EQ(L"My class", Value(L"My.Thing.1"));
  EXPECT_EQ(L"{11111111-2222-3333-4444-555555555555}", Value(L"My.Thing.1\\CLSID"));
  EXPECT_EQ(L"My class", Value(clsid));
  EXPECT_TRUE(Exists(clsid + L"\\Programmable"));
  EXPECT_EQ(L"C:\\x\\server.dll", Value(clsid + L"\\InprocServer32"));
  EXPECT_EQ(L"Apartment", Value(clsid + L"\\InprocServer32", L"ThreadingModel"));
  EXPECT_EQ(L"{0000}", Value(clsid + L"\\TypeLib"));  // replacement names match without regard to case
  EXPECT_EQ(L"it's 100% done", Value(clsid + L"\\Quote"));
  DWORD number = 0, size = sizeof number;
  EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(root_, (clsid + L"\\Number").c_str(), nullptr, RRF_RT_REG_DWORD, nullptr,
                                        &number, &size));
  EXPECT_EQ(42u, number);
}

TEST_F(RegistrarTest, ForceRemoveClearsWhatWasThereBeforeWriting) {
  const std::wstring clsid = L"CLSID\\{11111111-2222-3333-4444-555555555555}";
  CreateKey(clsid + L"\\Stale\\Deep");
  CreateKey(clsid + L"\\Programmable\\Old");
  ASSERT_EQ(S_OK, Run(kClassScript, ScriptAction::Register));
  EXPECT_FALSE(Exists(clsid + L"\\Stale"));
  EXPECT_TRUE(Exists(clsid + L"\\Programmable"));
  EXPECT_FALSE(Exists(clsid + L"\\Programmable\\Old"));
}

TEST_F(RegistrarTest, UnregistrationKeepsNoRemoveKeysAndKeysStillInUse) {
  CreateKey(L"CLSID\\{99999999-0000-0000-0000-000000000000}");  // another server's class
  ASSERT_EQ(S_OK, Run(kClassScript, ScriptAction::Register));
  ASSERT_EQ(S_OK, Run(kClassScript, ScriptAction::Unregister));
  EXPECT_FALSE(Exists(L"My.Thing.1"));
  EXPECT_FALSE(Exists(L"CLSID\\{11111111-2222-3333-4444-555555555555}"));
  EXPECT_TRUE(Exists(L"CLSID"));
  EXPECT_TRUE(Exists(L"CLSID\\{99999999-0000-0000-0000-000000000000}"));
}

TEST_F(RegistrarTest, PlainKeyWithForeignSubkeySurvivesUnregistration) {
  const wchar_t script[] = L"HKCR { Shared = s 'x' { Mine = s 'y' } }";
  ASSERT_EQ(S_OK, Run(script, ScriptAction::Register));
  CreateKey(L"Shared\\Theirs");
  ASSERT_EQ(S_OK, Run(script, ScriptAction::Unregister));
  EXPECT_FALSE(Exists(L"Shared\\Mine"));
  EXPECT_TRUE(Exists(L"Shared\\Theirs"));
}

TEST_F(RegistrarTest, UnregisteringWhatIsNotThereSucceeds) {
  EXPECT_EQ(S_OK, Run(kClassScript, ScriptAction::Unregister));
  EXPECT_EQ(S_OK, Run(L"HKCR\r\n{\r\n}\r\n", ScriptAction::Register));
}

TEST_F(RegistrarTest, BrokenScriptsAreRefusedAndWriteNothing) {
  const wchar_t* broken[] = {
      L"HKCR { Key = s 'unterminated }",
      L"HKCR { Key = s '%UNKNOWN%' }",
      L"HKCR { Key = q 'bad type' }",
      L"HKCR { Key { Sub }",
      L"NOSUCHROOT { Key }",
  };
  for (const wchar_t* script : broken) {
    EXPECT_TRUE(FAILED(Run(script, ScriptAction::Register))) << static_cast<const void*>(script);
    EXPECT_FALSE(Exists(L"Key"));
  }
}

TEST(GuidRegistryText, IsBracedLowerCase) {
  const GUID g = {0xAABBCCDD, 0xEEFF, 0x0011, {0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99}};
  EXPECT_EQ(L"{aabbccdd-eeff-0011-2233-445566778899}", GuidRegistryText(g));
}

}  // namespace
}  // namespace korvel
