// Filling of the 8-byte defaults that the type library cannot carry, against the real type library.
#include <gtest/gtest.h>

#include "server/dispatch_defaults.h"
#include "test_support.h"

namespace korvel::test {
namespace {

ComPtr<ITypeInfo> VtableInfo(const IID& iid) {
  ComPtr<ITypeLib> library;
  ComPtr<ITypeInfo> info, vtable;
  if (FAILED(LoadTypeLibEx(ServerDllPath().c_str(), REGKIND_NONE, library.put()))) return vtable;
  if (FAILED(library->GetTypeInfoOfGuid(iid, info.put()))) return vtable;
  HREFTYPE ref = 0;
  if (SUCCEEDED(info->GetRefTypeOfImplType(-1, &ref))) info->GetRefTypeInfo(ref, vtable.put());
  return vtable;
}

struct Args {
  std::vector<VARIANT> v;  // reversed, as DISPPARAMS holds them
  std::vector<DISPID> named;
  DISPPARAMS params() { return {v.data(), named.empty() ? nullptr : named.data(), UINT(v.size()), UINT(named.size())}; }
};

TEST(EightByteDefaults, QRcodePrintWithOnlyItsText) {
  ComPtr<ITypeInfo> info = VtableInfo(IID_IVBA);
  ASSERT_TRUE(info);
  Args a;
  a.v = {VI4(0)};  // the text; its type does not matter here
  CompletedArguments completed;
  ASSERT_TRUE(completed.Complete(IID_IVBA, info.get(), 8, DISPATCH_METHOD, a.params()));
  DISPPARAMS* p = completed.get();
  ASSERT_EQ(9u, p->cArgs);
  EXPECT_EQ(0u, p->cNamedArgs);
  // Positional order is reversed: rgvarg[8] is the text, rgvarg[7] FileOut (left to the library's "").
  EXPECT_EQ(VT_I4, V_VT(&p->rgvarg[8]));
  EXPECT_EQ(VT_ERROR, V_VT(&p->rgvarg[7]));
  const LONGLONG expected[] = {4, 4, 0, 0, 0, 0, 1};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(VT_I8, V_VT(&p->rgvarg[6 - i])) << i;
    EXPECT_EQ(expected[i], V_I8(&p->rgvarg[6 - i])) << i;
  }
}

TEST(EightByteDefaults, NamedArgumentsKeepTheirValue) {
  ComPtr<ITypeInfo> info = VtableInfo(IID_IVBA);
  ASSERT_TRUE(info);
  Args a;
  a.v = {VI8(9), VI4(0)};  // SizePixel:=9 (named, parameter 3), then the text
  a.named = {3};
  CompletedArguments completed;
  ASSERT_TRUE(completed.Complete(IID_IVBA, info.get(), 8, DISPATCH_METHOD, a.params()));
  DISPPARAMS* p = completed.get();
  ASSERT_EQ(9u, p->cArgs);
  EXPECT_EQ(9, V_I8(&p->rgvarg[8 - 3]));
  EXPECT_EQ(4, V_I8(&p->rgvarg[8 - 2]));
}

TEST(EightByteDefaults, PropertyPutKeepsItsValueNamed) {
  ComPtr<ITypeInfo> info = VtableInfo(IID_IBignumArithmeticFloat);
  ASSERT_TRUE(info);
  Args a;
  a.v = {VI4(77), VI4(5)};  // new value, then register 5
  a.named = {DISPID_PROPERTYPUT};
  CompletedArguments completed;
  ASSERT_TRUE(completed.Complete(IID_IBignumArithmeticFloat, info.get(), 3, DISPATCH_PROPERTYPUT, a.params()));
  DISPPARAMS* p = completed.get();
  ASSERT_EQ(1u, p->cNamedArgs);
  EXPECT_EQ(DISPID_PROPERTYPUT, p->rgdispidNamedArgs[0]);
  EXPECT_EQ(77, V_I4(&p->rgvarg[0]));
  ASSERT_EQ(4u, p->cArgs);  // value, Precision, BignumBase (missing), register
  EXPECT_EQ(VT_I8, V_VT(&p->rgvarg[1]));
  EXPECT_EQ(0, V_I8(&p->rgvarg[1]));
  EXPECT_EQ(VT_ERROR, V_VT(&p->rgvarg[2]));
  EXPECT_EQ(5, V_I4(&p->rgvarg[3]));
}

TEST(EightByteDefaults, MembersWithoutSuchDefaultsPassUnchanged) {
  ComPtr<ITypeInfo> info = VtableInfo(IID_IBignumArithmeticInteger);
  ASSERT_TRUE(info);
  Args a;
  a.v = {VI4(0)};
  CompletedArguments completed;
  EXPECT_FALSE(completed.Complete(IID_IBignumArithmeticInteger, info.get(), 2, DISPATCH_PROPERTYGET, a.params()));
  // Too many arguments are left for the platform to refuse.
  ComPtr<ITypeInfo> vba = VtableInfo(IID_IVBA);
  Args many;
  many.v.assign(12, VI4(0));
  EXPECT_FALSE(completed.Complete(IID_IVBA, vba.get(), 8, DISPATCH_METHOD, many.params()));
}

}  // namespace
}  // namespace korvel::test
