// Descriptors that claim more cells than their data hold: 65536 x 65537 wraps to 65536 cells in 32-bit
// arithmetic (Wine's SafeArrayCreate allocates exactly that many), and no descriptor holds more than 4 GiB,
// since the platform counts an array's bytes in 32 bits. Every member that walks an array refuses them
// before it touches an element; the data sit right before a page that cannot be read or written.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "test_support.h"

namespace korvel::test {
namespace {

// A descriptor over data of `held_cells` cells that end where an inaccessible page begins.
class OversizedArray {
 public:
  OversizedArray(VARTYPE vt, std::vector<SAFEARRAYBOUND> bounds, std::size_t held_cells) {
    if (FAILED(SafeArrayAllocDescriptorEx(vt, static_cast<UINT>(bounds.size()), &array_))) return;
    // The descriptor keeps the right-most dimension first: `bounds` are in that order.
    for (std::size_t i = 0; i < bounds.size(); ++i) array_->rgsabound[i] = bounds[i];
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const std::size_t page = info.dwPageSize;
    const std::size_t bytes = held_cells * array_->cbElements;
    const std::size_t data_pages = (bytes + page - 1) / page;
    reserved_ = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, (data_pages + 1) * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!reserved_) return;
    DWORD old = 0;
    VirtualProtect(reserved_ + data_pages * page, page, PAGE_NOACCESS, &old);
    data_ = reserved_ + data_pages * page - bytes;
    bytes_ = bytes;
    for (std::size_t i = 0; i < bytes; ++i) data_[i] = 0;
    // The array is not the platform's to free: the descriptor goes alone at the end.
    array_->fFeatures |= FADF_STATIC;
    array_->pvData = data_;
  }
  ~OversizedArray() {
    if (array_) {
      array_->pvData = nullptr;
      SafeArrayDestroyDescriptor(array_);
    }
    if (reserved_) VirtualFree(reserved_, 0, MEM_RELEASE);
  }
  OversizedArray(const OversizedArray&) = delete;
  OversizedArray& operator=(const OversizedArray&) = delete;

  SAFEARRAY* get() const { return array_; }
  bool untouched() const {
    for (std::size_t i = 0; i < bytes_; ++i)
      if (data_[i]) return false;
    return true;
  }

 private:
  SAFEARRAY* array_ = nullptr;
  unsigned char* reserved_ = nullptr;
  unsigned char* data_ = nullptr;
  std::size_t bytes_ = 0;
};

struct Case {
  const char* what;
  VARTYPE vt;
  std::vector<SAFEARRAYBOUND> bounds;  // right-most dimension first
  std::function<HRESULT(IVBA*, VARIANT*)> call;
};

TEST(OversizedDescriptors, EveryMemberThatWalksTheArrayRefusesThem) {
  const SAFEARRAYBOUND columns{65536, 1}, rows{65537, 1};
  auto sort_s = [](LONG orientation, LONG key, bool index) {
    return [=](IVBA* vba, VARIANT* v) {
      VARIANT out;
      VariantInit(&out);
      HRESULT hr = vba->ArraySortS(v, VARIANT_FALSE, key, 0, 0, orientation, VARIANT_FALSE,
                                   index ? VARIANT_TRUE : VARIANT_FALSE, &out);
      VariantClear(&out);
      return hr;
    };
  };
  auto sort_v = [](IVBA* vba, VARIANT* v) {
    return vba->ArraySortV(v, 1, VARIANT_FALSE, 0, VARIANT_FALSE, 0, VARIANT_FALSE);
  };
  auto transpose = [](IVBA* vba, VARIANT* v) { return vba->Transpose(v); };
  const std::vector<Case> cases = {
      {"ArraySortS rows by a column", VT_BSTR, {columns, rows}, sort_s(0, 1, false)},
      {"ArraySortS row index", VT_BSTR, {columns, rows}, sort_s(0, 2, true)},
      {"ArraySortS columns by a row", VT_BSTR, {columns, rows}, sort_s(1, 1, false)},
      {"ArraySortS all cells by columns", VT_BSTR, {columns, rows}, sort_s(2, 0, false)},
      {"ArraySortS all cells by rows", VT_BSTR, {columns, rows}, sort_s(3, 0, false)},
      {"ArraySortV rows", VT_VARIANT, {columns, rows}, sort_v},
      {"Transpose of strings", VT_BSTR, {columns, rows}, transpose},
      {"Transpose of bytes", VT_UI1, {columns, rows}, transpose},
      // One dimension whose bytes pass 32 bits: 2^28 + 1 VARIANTs of 16 bytes.
      {"ArraySortV list", VT_VARIANT, {{(1u << 28) + 1, 0}}, sort_v},
      {"ArraySortS list", VT_BSTR, {{(1u << 30) + 1, 0}}, sort_s(0, 0, false)},
  };
  ComPtr<IVBA> vba = Server::Get().Create<IVBA>(CLSID_VBA);
  ASSERT_TRUE(vba);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OversizedArray array(c.vt, c.bounds, 65536);
    ASSERT_TRUE(array.get());
    for (bool by_reference : {false, true}) {
      SAFEARRAY* slot = array.get();
      VARIANT v;
      VariantInit(&v);
      if (by_reference) {
        v.vt = VT_BYREF | VT_ARRAY | c.vt;
        v.pparray = &slot;
      } else {
        v.vt = VT_ARRAY | c.vt;
        v.parray = slot;
      }
      EXPECT_EQ(E_INVALIDARG, c.call(vba.get(), &v));
      EXPECT_EQ(slot, array.get());
      EXPECT_EQ(0u, array.get()->cLocks);
      EXPECT_TRUE(array.untouched());
    }
  }
}

}  // namespace
}  // namespace korvel::test
