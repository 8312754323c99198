// The QR-code picture in a cell with the real server, created by ProgID from the machine-wide registration of
// the test run: the PNG the host receives, where it goes, and the server's refusals.
#include "qr_picture_support.h"

namespace korvel::test {
namespace {

class QrPictureWithServerTest : public QrPictureTest {
 protected:
  void SetUp() override {
    QrPictureTest::SetUp();
    std::exchange(pComServerDisp, nullptr)->Release();
    server.reset();
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(L"KorvelCOM.VBA", &clsid), S_OK) << "the test run registers the server machine-wide";
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&pComServerDisp)),
              S_OK);
  }

  // The one picture at the cell, checked as the main case expects it: a PNG of `side` pixels inserted at the
  // cell's corner from a file in TEMP that is gone again.
  const Shape* OnePictureAt(LONG row, LONG column, unsigned long side) {
    EXPECT_EQ(shapes()->size(), 1u);
    if (shapes()->size() != 1) return nullptr;
    const Shape* picture = shapes()->At(0);
    EXPECT_EQ(picture->type(), kPicture);
    EXPECT_EQ(picture->anchor_row(), row);
    EXPECT_EQ(picture->anchor_column(), column);
    unsigned long width = 0, height = 0;
    EXPECT_TRUE(picture->PngSize(width, height));
    EXPECT_EQ(width, side);
    EXPECT_EQ(height, side);
    EXPECT_TRUE(temp->Files().empty()) << "the picture's file is removed";
    return picture;
  }
};

TEST_F(QrPictureWithServerTest, HelloWithTheDefaultsPutsOneVersion1PictureAtTheCell) {
  const size_t handed_back = host.api().handed_back();
  const auto result = Print(L"B10", L"Hello");

  ASSERT_FALSE(result.null);
  EXPECT_EQ(result.value.type, xltypeStr | xlbitDLLFree);
  EXPECT_EQ(result.value.text, L"Hello");
  EXPECT_EQ(host.api().handed_back(), handed_back + 1) << "the cell's text comes back through xlAutoFree12";

  // Version 1 holds 'Hello' at level M: (21 + 8) modules of 4 pixels.
  const Shape* picture = OnePictureAt(10, 2, (21 + 8) * 4);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->left(), 48.0);
  EXPECT_EQ(picture->top(), 135.0);

  const auto added = InvokesOf(L"Shapes", L"AddPicture");
  ASSERT_EQ(added.size(), 1u);
  const std::vector<SeenArg>& a = added[0].args;
  ASSERT_EQ(a.size(), 7u);
  EXPECT_EQ(a[0].vt, VT_BSTR);
  EXPECT_EQ(a[0].text.rfind(temp->path() + L"\\{", 0), 0u) << "a new file of the server's in TEMP";
  EXPECT_EQ(a[0].text.substr(a[0].text.size() - 4), L".PNG");
  EXPECT_EQ(a[1].vt, VT_BOOL);
  EXPECT_EQ(a[1].text, L"False");
  EXPECT_EQ(a[2].vt, VT_BOOL);
  EXPECT_EQ(a[2].text, L"True");
  EXPECT_EQ(a[3].vt, VT_R8);
  EXPECT_EQ(a[3].text, L"48");
  EXPECT_EQ(a[4].vt, VT_R8);
  EXPECT_EQ(a[4].text, L"135");
  EXPECT_EQ(a[5].vt, VT_I8);
  EXPECT_EQ(a[5].text, L"-1");
  EXPECT_EQ(a[6].vt, VT_I8);
  EXPECT_EQ(a[6].text, L"-1");
  EXPECT_TRUE(boxes().empty());
}

// Cyrillic text travels as UTF-8 to the symbol (the end-to-end check decodes such a picture and compares the
// bytes).
TEST_F(QrPictureWithServerTest, ACyrillicTextAndASecondCalculationLeaveOnePicture) {
  const std::wstring text = L"Привет, мир";
  ASSERT_FALSE(Print(L"C3", text).null);
  const auto second = Print(L"C3", text);
  ASSERT_FALSE(second.null);
  EXPECT_EQ(second.value.text, text);
  EXPECT_EQ(shapes()->deleted(), 1);
  // 11 characters are 20 bytes of UTF-8: version 2 at level M (25 modules).
  const Shape* picture = OnePictureAt(3, 3, (25 + 8) * 4);
  ASSERT_NE(picture, nullptr);
}

// The server's refusals: the cell's old picture is gone already, nothing new is inserted, no file stays.
TEST_F(QrPictureWithServerTest, ArgumentsTheServerRefusesGiveANullResult) {
  struct Refused {
    const char* what;
    int position;
    double value;
  };
  const Refused cases[] = {
      {"SizePixel 0", 0, 0},
      {"a colour of 300", 1, 300},
      {"SizePixel 1e300", 0, 1e300},
      {"LevelErrCorrect -1e300", 5, -1e300},
  };
  for (const Refused& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_FALSE(Print(L"D4", L"Old").null);
    ASSERT_EQ(shapes()->size(), 1u);
    host.model().ClearInvokes();
    HostObject* old = shapes()->At(0);
    const References before = TakeReferences({{4, 4}});
    std::vector<XLOPER12> args(8, XMissing());
    args[c.position] = XNum(c.value);
    EXPECT_TRUE(Print(L"D4", L"New", args).null);
    EXPECT_EQ(shapes()->size(), 0u);
    ExpectReferencesAsBefore(before, {old});
    EXPECT_TRUE(InvokesOf(L"Shapes", L"AddPicture").empty());
    EXPECT_TRUE(temp->Files().empty());
    EXPECT_TRUE(boxes().empty());
  }
}

}  // namespace
}  // namespace korvel::test
