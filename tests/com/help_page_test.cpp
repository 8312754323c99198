// Help: the page written to the temporary folder is the resource byte for byte, and a server file under
// another name has no help.
#include <gtest/gtest.h>

#include "test_support.h"

namespace korvel::test {
namespace {

#ifdef _WIN64
constexpr wchar_t kServerFileName[] = L"KorvelCOM(x64).dll";
#else
constexpr wchar_t kServerFileName[] = L"KorvelCOM(x86).dll";
#endif

std::wstring HelpPagePath() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + L"KorvelCOMHelp.htm";
}

TEST(HelpPage, BothClassesWriteThePageAndCanDoItAgain) {
  const std::string page = ReadFileBytes(SourcePath(L"KorvelCOM/resources/KorvelCOMHelp.htm"));
  ASSERT_GT(page.size(), 1000u);
  ASSERT_EQ(page.find("\xEF\xBB\xBF"), std::string::npos) << "no byte-order mark";
  // A longer file from before must not keep its tail.
  WriteFileBytes(HelpPagePath(), page + std::string(5000, 'x'));
  auto integer = Server::Get().Create<IBignumArithmeticInteger>(CLSID_BignumArithmeticInteger);
  auto floats = Server::Get().Create<IBignumArithmeticFloat>(CLSID_BignumArithmeticFloat);
  ASSERT_TRUE(integer && floats);
  EXPECT_EQ(S_OK, integer->Help());
  EXPECT_EQ(page, ReadFileBytes(HelpPagePath()));
  DeleteFileW(HelpPagePath().c_str());
  EXPECT_EQ(S_OK, floats->Help());
  EXPECT_EQ(S_OK, floats->Help());
  EXPECT_EQ(page, ReadFileBytes(HelpPagePath()));
}

TEST(HelpPage, RenamedServerHasNoHelpButWorksOtherwise) {
  if (GetModuleHandleW(kServerFileName)) GTEST_SKIP() << "the server is loaded under its own name already";
  const std::wstring copy = ScratchFolder(L"renamed") + L"KorvelCOM-renamed.dll";
  ASSERT_TRUE(CopyFileW(ServerDllPath().c_str(), copy.c_str(), FALSE));
  HMODULE renamed = LoadLibraryW(copy.c_str());
  ASSERT_TRUE(renamed);
  auto get = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
      reinterpret_cast<void*>(GetProcAddress(renamed, "DllGetClassObject")));
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(S_OK, get(CLSID_BignumArithmeticInteger, IID_IClassFactory, factory.put_void()));
  ComPtr<IBignumArithmeticInteger> n;
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IBignumArithmeticInteger, n.put_void()));
  EXPECT_EQ(E_UNEXPECTED, n->Help());
  EXPECT_EQ(S_OK, n->Factorial(0, 5));
  BSTR text = nullptr;
  ASSERT_EQ(S_OK, n->get_Bignum(0, 10, &text));
  UniqueBstr owned(text);
  EXPECT_STREQ(L"120", text);
}

}  // namespace
}  // namespace korvel::test
