// The type library as widl built it for this architecture, and the module's other resources.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace korvel::test {
namespace {

class TypeLibrary : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(S_OK, LoadTypeLibEx(ServerDllPath().c_str(), REGKIND_NONE, library_.put())); }

  // The vtable half of an interface.
  ComPtr<ITypeInfo> Interface(const IID& iid) {
    ComPtr<ITypeInfo> info, vtable;
    library_->GetTypeInfoOfGuid(iid, info.put());
    HREFTYPE ref = 0;
    if (info && SUCCEEDED(info->GetRefTypeOfImplType(-1, &ref))) info->GetRefTypeInfo(ref, vtable.put());
    return vtable;
  }

  // The variant type a parameter finally has, through aliases such as LONG_PTR.
  static VARTYPE ParameterType(ITypeInfo* info, const wchar_t* member, INVOKEKIND kind, UINT index) {
    ComPtr<ITypeInfo2> info2;
    info->QueryInterface(IID_ITypeInfo2, info2.put_void());
    LPOLESTR name = const_cast<LPOLESTR>(member);
    MEMBERID id = 0;
    if (FAILED(info->GetIDsOfNames(&name, 1, &id))) return VT_ILLEGAL;
    UINT func = 0;
    if (FAILED(info2->GetFuncIndexOfMemId(id, kind, &func))) return VT_ILLEGAL;
    FUNCDESC* desc = nullptr;
    info->GetFuncDesc(func, &desc);
    TYPEDESC type = desc->lprgelemdescParam[index].tdesc;
    VARTYPE vt = type.vt;
    if (vt == VT_USERDEFINED) {
      ComPtr<ITypeInfo> alias;
      info->GetRefTypeInfo(type.hreftype, alias.put());
      TYPEATTR* attr = nullptr;
      alias->GetTypeAttr(&attr);
      vt = attr->tdescAlias.vt;
      alias->ReleaseTypeAttr(attr);
    }
    info->ReleaseFuncDesc(desc);
    return vt;
  }

  ComPtr<ITypeLib> library_;
};

TEST_F(TypeLibrary, IdentityAndInterfaceFlags) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(S_OK, library_->GetLibAttr(&attr));
  EXPECT_TRUE(IsEqualGUID(LIBID_KorvelCOM, attr->guid));
  EXPECT_EQ(1, attr->wMajorVerNum);
  EXPECT_EQ(0, attr->wMinorVerNum);
  EXPECT_EQ(1033u, attr->lcid);
#ifdef _WIN64
  EXPECT_EQ(SYS_WIN64, attr->syskind);
#else
  EXPECT_EQ(SYS_WIN32, attr->syskind);
#endif
  library_->ReleaseTLibAttr(attr);
  for (const IID* iid : {&IID_IBignumArithmeticInteger, &IID_IBignumArithmeticFloat, &IID_IVBA}) {
    ComPtr<ITypeInfo> info = Interface(*iid);
    ASSERT_TRUE(info);
    TYPEATTR* t = nullptr;
    info->GetTypeAttr(&t);
    const WORD wanted = TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
    EXPECT_EQ(wanted, t->wTypeFlags & wanted);
    info->ReleaseTypeAttr(t);
  }
}

TEST_F(TypeLibrary, MachineIntegersFollowTheArchitecture) {
  ComPtr<ITypeInfo> integer = Interface(IID_IBignumArithmeticInteger);
  ComPtr<ITypeInfo> vba = Interface(IID_IVBA);
  ASSERT_TRUE(integer && vba);
#ifdef _WIN64
  const VARTYPE long_ptr = VT_I8;
#else
  const VARTYPE long_ptr = VT_I4;
#endif
  EXPECT_EQ(long_ptr, ParameterType(integer.get(), L"SumL", INVOKE_FUNC, 2));
  EXPECT_EQ(long_ptr, ParameterType(integer.get(), L"RootRem", INVOKE_FUNC, 3));
  EXPECT_EQ(VT_I4, ParameterType(integer.get(), L"Factorial", INVOKE_FUNC, 1));  // LONG in both builds
  EXPECT_EQ(VT_UI1, ParameterType(integer.get(), L"Sum", INVOKE_FUNC, 0));
  EXPECT_EQ(VT_I8, ParameterType(vba.get(), L"QRcodePrint", INVOKE_FUNC, 3));  // LONGLONG in both builds
}

TEST_F(TypeLibrary, HelpStringsKeepTheirTypography) {
  ComPtr<ITypeInfo> integer = Interface(IID_IBignumArithmeticInteger);
  ASSERT_TRUE(integer);
  BSTR doc = nullptr;
  ASSERT_EQ(S_OK, integer->GetDocumentation(21, nullptr, &doc, nullptr, nullptr));
  UniqueBstr owned(doc);
  EXPECT_STREQ(L"Fibonacci(BignumSet, LONG_PTR n). BignumSet = Fn, the n\u2019th Fibonacci number", doc);
}

std::wstring VersionString(const std::vector<BYTE>& block, const wchar_t* name) {
  void* value = nullptr;
  UINT size = 0;
  std::wstring path = std::wstring(L"\\StringFileInfo\\041904b0\\") + name;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &size) || !size) return L"<missing>";
  return static_cast<const wchar_t*>(value);
}

TEST(ModuleResources, VersionBlockStringAndScripts) {
  const std::wstring path = ServerDllPath();
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
  EXPECT_EQ(L"KorvelCOM.dll v1.0.4.1", VersionString(block, L"FileDescription"));
  EXPECT_EQ(L"KorvelCOM.dll v1.0.4.1", VersionString(block, L"FileVersion"));
  EXPECT_EQ(L"KorvelCOM.dll", VersionString(block, L"InternalName"));
  EXPECT_EQ(L"KorvelCOM.dll", VersionString(block, L"OriginalFilename"));
  EXPECT_EQ(L"COM.DLL supported dual-interfaces with Automation-compatible data types",
            VersionString(block, L"ProductName"));
#ifdef _WIN64
  EXPECT_EQ(L"assembly: x64_Release", VersionString(block, L"ProductVersion"));
#else
  EXPECT_EQ(L"assembly: x32_Release", VersionString(block, L"ProductVersion"));
#endif

  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(module);
  wchar_t text[64] = {};
  EXPECT_GT(LoadStringW(module, 100, text, 64), 0);
  EXPECT_STREQ(L"KorvelCOM", text);
  for (UINT id : {101u, 106u, 107u, 108u})
    EXPECT_TRUE(FindResourceExW(module, L"REGISTRY", MAKEINTRESOURCEW(id), MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT)))
        << id;
  EXPECT_TRUE(FindResourceW(module, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(24)));  // manifest
  FreeLibrary(module);
}

}  // namespace
}  // namespace korvel::test
