// The stand-in host's shapes and cell calculation, as the QR-picture cases rely on them: anchors from Left
// and Top, AddPicture reading its file at once and refusing what it cannot read, Caller and xlfCaller.
#include <fstream>

#include "qr_picture_support.h"

namespace korvel::test {
namespace {

class StandInShapesTest : public QrPictureTest {
 protected:
  // AddPicture on the sheet's shapes with a file and the given size.
  int AddPicture(const std::wstring& file, LONG width = -1) {
    VARIANT shapes_v = VDisp(shapes());
    std::vector<OwnedVariant> args;
    args.push_back(OwnedVariant::Text(file.c_str()));
    args.push_back(OwnedVariant::Bool(false));
    args.push_back(OwnedVariant::Bool(true));
    args.push_back(OwnedVariant::I4(96));
    args.push_back(OwnedVariant::I4(30));
    args.push_back(OwnedVariant::I4(width));
    args.push_back(OwnedVariant::I4(-1));
    const int rc = addin.AutoWrapX(L"AddPicture", &shapes_v, 0, nullptr, true, &args, 0);
    VariantClear(&shapes_v);
    return rc;
  }
  std::wstring Write(const std::wstring& name, const std::string& bytes) {
    const std::wstring path = temp->path() + L"\\" + name;
    std::ofstream(path.c_str(), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
};

TEST_F(StandInShapesTest, TopLeftCellFollowsLeftAndTopOver48By15PointCells) {
  VARIANT shapes_v = VDisp(shapes());
  ASSERT_EQ(AddPicture(Write(L"p.png", StandInPictureBytes())), 0);
  Shape* picture = shapes()->At(0);
  EXPECT_EQ(picture->anchor_column(), 3);  // Left 96: the third column starts there
  EXPECT_EQ(picture->anchor_row(), 3);     // Top 30: the third row
  EXPECT_EQ(picture->width(), 0.75);       // one pixel at 96 dots per inch
  VARIANT address;
  VariantInit(&address);
  ASSERT_EQ(addin.AutoWrapX(L"Item(1).TopLeftCell.Address", &shapes_v, 0, &address, true, nullptr, 0), 0);
  EXPECT_EQ(TextOf(address), L"$C$3");
  VariantClear(&address);
  ASSERT_EQ(addin.AutoWrapX(L"Item(Picture 1).Type", &shapes_v, 0, &address, true, nullptr, 0), 0);
  EXPECT_EQ(TextOf(address), L"13");
  VariantClear(&address);
  VariantClear(&shapes_v);
}

TEST_F(StandInShapesTest, AddPictureReadsTheFileAtOnceAndRefusesWhatItCannotRead) {
  const std::wstring file = Write(L"p.png", StandInPictureBytes());
  ASSERT_EQ(AddPicture(file), 0);
  ASSERT_TRUE(DeleteFileW(file.c_str())) << "the host does not hold the file";
  EXPECT_EQ(shapes()->At(0)->bytes(), StandInPictureBytes());

  EXPECT_NE(AddPicture(temp->path() + L"\\missing.png"), 0);
  EXPECT_NE(AddPicture(Write(L"text.png", "not a picture")), 0);
  EXPECT_NE(AddPicture(Write(L"wide.png", StandInPictureBytes()), 200000), 0);
  EXPECT_EQ(shapes()->size(), 1u);
}

TEST_F(StandInShapesTest, ADeletedShapeLeavesTheCollection) {
  shapes()->Place(kChart, 1, 1);
  Shape* button = shapes()->Place(kFormControl, 1, 1);
  EXPECT_EQ(shapes()->At(1, 1).size(), 2u);
  VARIANT shapes_v = VDisp(shapes());
  EXPECT_EQ(addin.AutoWrapX(L"Item(Chart 1).Delete", &shapes_v, 0, nullptr, true, nullptr, 0), 0);
  EXPECT_EQ(shapes()->size(), 1u);
  EXPECT_EQ(shapes()->At(0), button);
  EXPECT_NE(addin.AutoWrapX(L"Item(2)", &shapes_v, 0, nullptr, true, nullptr, 0), 0);
  VariantClear(&shapes_v);
}

TEST_F(StandInShapesTest, CallerIsTheCalculatedCellOrBlock) {
  VARIANT caller;
  VariantInit(&caller);
  auto address_of_caller = [&]() -> std::wstring {
    VARIANT address;
    VariantInit(&address);
    EXPECT_EQ(addin.AutoWrapX(L"Caller", nullptr, 0, &caller, true, nullptr, 0), 0);
    if (caller.vt != VT_DISPATCH) return L"<no object>";
    addin.AutoWrapX(L"Address", &caller, 0, &address, true, nullptr, 0);
    std::wstring text = TextOf(address);
    VariantClear(&address);
    VariantClear(&caller);
    return text;
  };
  std::wstring seen;
  calc().Calculate(sheet(), L"B10", [&] { seen = address_of_caller(); return nullptr; });
  EXPECT_EQ(seen, L"$B$10");
  calc().Calculate(sheet(), L"B2:C4", [&] { seen = address_of_caller(); return nullptr; });
  EXPECT_EQ(seen, L"$B$2:$C$4");
  EXPECT_EQ(address_of_caller(), L"<no object>") << "outside a calculation Caller is an error value";

  XLOPER12 reference{};
  reference.xltype = xltypeMissing;
  calc().Calculate(sheet(), L"B2:C4", [&] {
    EXPECT_EQ(addin.Excel12(xlfCaller, &reference, 0), xlretSuccess);
    return nullptr;
  });
  ASSERT_EQ(reference.xltype, xltypeSRef);
  EXPECT_EQ(reference.val.sref.ref.rwFirst, 1);
  EXPECT_EQ(reference.val.sref.ref.rwLast, 3);
  EXPECT_EQ(reference.val.sref.ref.colFirst, 1);
  EXPECT_EQ(reference.val.sref.ref.colLast, 2);
  EXPECT_NE(addin.Excel12(xlfCaller, &reference, 0), xlretSuccess) << "no caller outside a calculation";
}

}  // namespace
}  // namespace korvel::test
