// The QR-code picture in a cell with the stand-in server: what reaches the server and the host, which shapes
// go, and every step failing in turn.
#include <functional>

#include "object_model/sheet_geometry.h"
#include "qr_picture_support.h"

namespace korvel::test {
namespace {

struct ArgumentCase {
  const char* what;
  std::function<std::vector<XLOPER12>(std::wstring&)> args;
  std::vector<std::wstring> server_numbers;  // SizePixel, R, G, B, VersionSymbol, LevelErrCorrect
  std::wstring width = L"-1", height = L"-1";
};

// Arguments 2 to 9 as the recorded calls of the server and of AddPicture show them.
TEST_F(QrPictureTest, ArgumentsReachTheServerAsEightByteIntegersInTheirOwnPlaces) {
  const auto only = [](int position, XLOPER12 value) {
    return [position, value](std::wstring&) {
      std::vector<XLOPER12> a(8, XMissing());
      a[position] = value;
      return a;
    };
  };
  const std::vector<std::wstring> defaults = {L"4", L"0", L"0", L"0", L"0", L"1"};
  const ArgumentCase cases[] = {
      {"all left out", [](std::wstring&) { return std::vector<XLOPER12>(); }, defaults},
      {"SizePixel 4.9", only(0, XNum(4.9)), {L"4", L"0", L"0", L"0", L"0", L"1"}},
      {"SizePixel -0.5", only(0, XNum(-0.5)), {L"0", L"0", L"0", L"0", L"0", L"1"}},
      {"SizePixel '5' as text",
       [](std::wstring& storage) {
         std::vector<XLOPER12> a(8, XMissing());
         a[0] = XStr(L"5", storage);
         return a;
       },
       defaults},
      {"SizePixel a logical", only(0, XBool(true)), defaults},
      {"SizePixel an error", only(0, XErr(xlerrNA)), defaults},
      {"SizePixel an empty cell", only(0, XNil()), defaults},
      {"an integer 7 in PixelColorR", only(1, XInt(7)), {L"4", L"7", L"0", L"0", L"0", L"1"}},
      {"PixelColorB 255.99", only(3, XNum(255.99)), {L"4", L"0", L"0", L"255", L"0", L"1"}},
      {"VersionSymbol -3.7 toward zero", only(4, XNum(-3.7)), {L"4", L"0", L"0", L"0", L"-3", L"1"}},
      {"LevelErrCorrect left out after the others",
       [](std::wstring&) {
         return std::vector<XLOPER12>{XNum(2), XNum(1), XNum(2), XNum(3), XInt(5)};
       },
       {L"2", L"1", L"2", L"3", L"5", L"1"}},
      {"SizePixel 2^62 exactly", only(0, XNum(4611686018427387904.0)),
       {L"4611686018427387904", L"0", L"0", L"0", L"0", L"1"}},
      {"SizePixel 1e300 saturated", only(0, XNum(1e300)), {L"9223372036854775807", L"0", L"0", L"0", L"0", L"1"}},
      {"SizePixel 2^63 saturated", only(0, XNum(9223372036854775808.0)),
       {L"9223372036854775807", L"0", L"0", L"0", L"0", L"1"}},
      {"PixelColorG -1e300 saturated", only(2, XNum(-1e300)),
       {L"4", L"0", L"-9223372036854775808", L"0", L"0", L"1"}},
      {"WidthImage 200.7 and HeightImage an integer 50",
       [](std::wstring&) {
         std::vector<XLOPER12> a(8, XMissing());
         a[6] = XNum(200.7);
         a[7] = XInt(50);
         return a;
       },
       defaults, L"200", L"50"},
  };
  for (const ArgumentCase& c : cases) {
    SCOPED_TRACE(c.what);
    host.model().ClearInvokes();
    std::wstring storage;
    const auto result = Print(L"C4", L"Text", c.args(storage));
    EXPECT_FALSE(result.null);
    const auto drawn = InvokesOf(L"VBA", L"QRcodePrint");
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    ASSERT_EQ(drawn[0].args.size(), 9u);
    EXPECT_EQ(drawn[0].args[0].vt, VT_BSTR);
    EXPECT_EQ(drawn[0].args[0].text, L"Text");
    EXPECT_EQ(drawn[0].args[1].vt, VT_BSTR);
    EXPECT_EQ(drawn[0].args[1].text, L"");
    EXPECT_EQ(drawn[0].args[2].vt, VT_I4);
    EXPECT_EQ(drawn[0].args[2].text, L"4");
    for (size_t i = 0; i < 6; ++i) {
      EXPECT_EQ(drawn[0].args[3 + i].vt, VT_I8) << i;
      EXPECT_EQ(drawn[0].args[3 + i].text, c.server_numbers[i]) << i;
    }
    const auto added = InvokesOf(L"Shapes", L"AddPicture");
    ASSERT_EQ(added.size(), 1u);
    ASSERT_EQ(added[0].args.size(), 7u);
    EXPECT_EQ(added[0].args[5].vt, VT_I8);
    EXPECT_EQ(added[0].args[5].text, c.width);
    EXPECT_EQ(added[0].args[6].vt, VT_I8);
    EXPECT_EQ(added[0].args[6].text, c.height);
  }
  EXPECT_TRUE(temp->Files().empty());
}

// A size beyond the 64-bit range reaches the host saturated, and the host refuses it: nothing is inserted and
// the picture's file is removed all the same.
TEST_F(QrPictureTest, AWidthBeyondRangeIsRefusedByTheHost) {
  std::vector<XLOPER12> args(8, XMissing());
  args[6] = XNum(1e300);
  const auto result = Print(L"B2", L"Text", args);
  EXPECT_TRUE(result.null);
  const auto added = InvokesOf(L"Shapes", L"AddPicture");
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0].args[5].text, L"9223372036854775807");
  EXPECT_EQ(shapes()->size(), 0u);
  EXPECT_EQ(server->written().size(), 1u);
  EXPECT_TRUE(temp->Files().empty());
}

struct Placed {
  LONG type, row, column;
};

struct ShapeCase {
  const char* what;
  std::vector<Placed> placed;
  const wchar_t* cells;
  const wchar_t* text;
  int runs;
  std::vector<size_t> staying;  // indices into `placed`
  size_t new_pictures;          // at the caller's first cell
};

TEST_F(QrPictureTest, OnlyTheCellsFirstPictureIsReplaced) {
  const ShapeCase cases[] = {
      {"no shapes", {}, L"B2", L"Hi", 1, {}, 1},
      {"a picture at another cell stays", {{kPicture, 3, 3}}, L"B2", L"Hi", 1, {0}, 1},
      {"of two pictures at the cell the first goes", {{kPicture, 2, 2}, {kPicture, 2, 2}}, L"B2", L"Hi", 1, {1}, 1},
      {"a chart, a button and an autoshape at the cell stay",
       {{kChart, 2, 2}, {kFormControl, 2, 2}, {kAutoShape, 2, 2}}, L"B2", L"Hi", 1, {0, 1, 2}, 1},
      {"a chart before the cell's picture stays, the picture goes", {{kChart, 2, 2}, {kPicture, 2, 2}}, L"B2", L"Hi",
       1, {0}, 1},
      {"an empty text removes the picture and inserts none", {{kPicture, 2, 2}, {kChart, 2, 2}}, L"B2", L"", 1, {1}, 0},
      {"a cell calculated twice keeps one picture", {}, L"B2", L"Hi", 2, {}, 1},
      {"an array formula calculated twice keeps one picture at its first cell", {{kPicture, 2, 3}}, L"B2:C4", L"Hi",
       2, {0}, 1},
  };
  for (const ShapeCase& c : cases) {
    SCOPED_TRACE(c.what);
    FreshHost();
    std::vector<std::wstring> names;
    std::vector<Shape*> placed;
    for (const Placed& p : c.placed) {
      placed.push_back(shapes()->Place(p.type, p.row, p.column));
      names.push_back(placed.back()->name());
    }
    const References before = TakeReferences({{2, 2}, {2, 3}, {3, 3}});
    const int calls_before = server->calls();
    Calculation::CellResult result;
    for (int run = 0; run < c.runs; ++run) result = Print(c.cells, c.text);

    const bool empty = !*c.text;
    EXPECT_EQ(result.null, empty);
    if (!empty) {
      EXPECT_EQ(result.value.text, c.text);
    }
    EXPECT_EQ(server->calls() - calls_before, empty ? 0 : c.runs);
    EXPECT_EQ(InvokesOf(L"Shapes", L"AddPicture").size(), empty ? 0u : static_cast<size_t>(c.runs));
    std::vector<HostObject*> deleted;
    for (size_t i = 0; i < placed.size(); ++i) {
      const bool stays = std::find(c.staying.begin(), c.staying.end(), i) != c.staying.end();
      bool present = false;
      for (size_t k = 0; k < shapes()->size(); ++k) present = present || shapes()->At(k) == placed[i];
      EXPECT_EQ(present, stays) << "placed shape " << i;
      if (!present) deleted.push_back(placed[i]);
    }
    EXPECT_EQ(shapes()->size(), c.staying.size() + c.new_pictures);
    size_t fresh = 0;
    for (size_t k = 0; k < shapes()->size(); ++k) {
      Shape* s = shapes()->At(k);
      if (std::find(names.begin(), names.end(), s->name()) != names.end()) continue;
      ++fresh;
      EXPECT_EQ(s->type(), kPicture);
      EXPECT_EQ(s->anchor_row(), 2);
      EXPECT_EQ(s->anchor_column(), 2);
      EXPECT_EQ(s->left(), 48.0);
      EXPECT_EQ(s->top(), 15.0);
      EXPECT_EQ(s->bytes(), StandInPictureBytes());
    }
    EXPECT_EQ(fresh, c.new_pictures);
    ExpectReferencesAsBefore(before, deleted);
    if (calc().last_block()) {
      EXPECT_EQ(calc().last_block()->refs(), 1) << "the array formula's block holds no reference of the add-in";
    }
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(temp->Files().empty());
  }
}

// Where rows are hidden (by the user or a table's filter) or a column has no width, a cell lies where the next
// shown cell lies, and its picture's top-left cell is that next cell. Each calling cell still keeps exactly one
// picture of its own over three calculations, in either order, and a user's picture put at a calling cell
// after the first calculation stays.
struct LayoutCase {
  const char* what;
  std::function<void(Worksheet*)> arrange;
  std::vector<std::pair<LONG, LONG>> cells;  // the calling cells, row and column
};

TEST_F(QrPictureTest, HiddenRowsZeroWidthColumnsAndFilteredTablesKeepOnePicturePerCell) {
  const LayoutCase cases[] = {
      {"a hidden row", [](Worksheet* s) { SetRowHidden(s, 3, true); }, {{2, 2}, {3, 2}, {4, 2}}},
      {"two hidden rows",
       [](Worksheet* s) {
         SetRowHidden(s, 3, true);
         SetRowHidden(s, 4, true);
       },
       {{3, 2}, {4, 2}, {5, 2}}},
      {"a column of zero width", [](Worksheet* s) { SetColumnHidden(s, 2, true); }, {{2, 1}, {2, 2}, {2, 3}}},
      {"a filtered table",
       [](Worksheet* s) {
         const wchar_t* regions[] = {L"Region", L"North", L"South", L"South", L"North", L"West"};
         for (LONG r = 0; r < 6; ++r) s->cells().SetValue(2 + r, 1, CellValue(regions[r]));
         FilterTable(s, Area{2, 1, 7, 2}, 1, [](const CellValue& v) { return v.text == L"North"; });
       },
       {{3, 2}, {4, 2}, {5, 2}, {6, 2}, {7, 2}}},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.what);
    FreshHost();
    c.arrange(sheet());
    std::vector<Shape*> users;
    std::vector<std::wstring> addresses;
    for (const auto& [row, column] : c.cells) addresses.push_back(A1Address(row, column));
    for (int run = 1; run <= 3; ++run) {
      SCOPED_TRACE(run);
      for (size_t k = 0; k < c.cells.size(); ++k) {
        const size_t i = run == 2 ? c.cells.size() - 1 - k : k;
        const auto result = Print(addresses[i], L"Hi " + addresses[i]);
        ASSERT_FALSE(result.null);
      }
      // Exactly one new picture at each calling cell's corner, named for it; the user's pictures all stay.
      EXPECT_EQ(shapes()->size(), c.cells.size() + users.size());
      for (size_t u = 0; u < users.size(); ++u) {
        bool present = false;
        for (size_t k = 0; k < shapes()->size(); ++k) present = present || shapes()->At(k) == users[u];
        EXPECT_TRUE(present) << "the user's picture at calling cell " << u;
      }
      for (size_t i = 0; i < c.cells.size(); ++i) {
        const auto [row, column] = c.cells[i];
        size_t own = 0;
        for (size_t k = 0; k < shapes()->size(); ++k) {
          Shape* shape = shapes()->At(k);
          if (shape->name() != L"QRcodePrint " + addresses[i]) continue;
          ++own;
          EXPECT_EQ(shape->left(), ColumnLeft(sheet(), column));
          EXPECT_EQ(shape->top(), RowTop(sheet(), row));
        }
        EXPECT_EQ(own, 1u) << std::string(addresses[i].begin(), addresses[i].end());
      }
      EXPECT_EQ(InvokesOf(L"Shapes", L"AddPicture").size(), run * c.cells.size());
      EXPECT_EQ(shapes()->deleted(), static_cast<int>((run - 1) * c.cells.size()));
      if (run == 1)
        for (const auto& [row, column] : c.cells) users.push_back(shapes()->Place(kPicture, row, column));
    }
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(temp->Files().empty());
  }
}

// The pictures of a workbook saved before they were named, or named for a cell they have left, are found by
// their top-left cell; once a cell's named picture is found, no other shape at the cell goes.
struct Named {
  const wchar_t* name;  // null: the host's own
  LONG row, column;
};

TEST_F(QrPictureTest, ANamedPictureIsReplacedAndOtherPicturesAtTheCellStay) {
  const struct {
    const char* what;
    std::vector<Named> placed;
    std::vector<size_t> staying;
  } cases[] = {
      {"a user's picture before the cell's named one stays", {{nullptr, 4, 2}, {L"QRcodePrint $B$4", 4, 2}}, {0}},
      {"the name in other letters is the same name", {{nullptr, 4, 2}, {L"qrcodeprint $b$4", 4, 2}}, {0}},
      {"an unnamed picture is found by its top-left cell", {{nullptr, 4, 2}, {nullptr, 4, 2}}, {1}},
      {"a picture named for a cell it has left", {{L"QRcodePrint $B$2", 4, 2}, {nullptr, 4, 2}}, {1}},
      {"a picture named for a cell in a hidden row above stays", {{L"QRcodePrint $B$3", 3, 2}, {nullptr, 4, 2}},
       {0}},
      {"a name whose rest is no address", {{L"QRcodePrint logo", 4, 2}}, {}},
      {"a picture named for another cell elsewhere stays", {{L"QRcodePrint $C$9", 9, 3}}, {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FreshHost();
    SetRowHidden(sheet(), 3, true);
    std::vector<Shape*> placed;
    for (const Named& p : c.placed) {
      placed.push_back(shapes()->Place(kPicture, p.row, p.column));
      if (p.name) placed.back()->set_name(p.name);
    }
    ASSERT_FALSE(Print(L"B4", L"Hi").null);
    for (size_t i = 0; i < placed.size(); ++i) {
      const bool stays = std::find(c.staying.begin(), c.staying.end(), i) != c.staying.end();
      bool present = false;
      for (size_t k = 0; k < shapes()->size(); ++k) present = present || shapes()->At(k) == placed[i];
      EXPECT_EQ(present, stays) << "placed picture " << i;
    }
    EXPECT_EQ(shapes()->size(), c.staying.size() + 1);
    EXPECT_EQ(shapes()->At(shapes()->size() - 1)->name(), L"QRcodePrint $B$4");
  }
}

class QrPictureFailureTest : public QrPictureTest {
 public:
  void FailMember(const wchar_t* object, const wchar_t* member, int times = -1, bool write_result = false) {
    MemberFailure f;
    f.object = object;
    f.member = member;
    f.hr = DISP_E_EXCEPTION;
    f.times = times;
    f.write_result = write_result;
    host.model().Fail(f);
  }
  // Name of a shape fails for gets or for puts.
  void FailShapeName(WORD flags) {
    MemberFailure f;
    f.object = L"Shape";
    f.member = L"Name";
    f.flags = flags;
    f.hr = DISP_E_EXCEPTION;
    host.model().Fail(f);
  }
  // AddPicture succeeds but gives the number 7 in place of the new picture (and inserts nothing).
  void AnswerAddPictureWithANumber() {
    MemberFailure f;
    f.object = L"Shapes";
    f.member = L"AddPicture";
    f.hr = S_OK;
    f.write_result = true;
    host.model().Fail(f);
  }
  StandInServer& stand_in() { return *server.get(); }
  const std::wstring& temp_path() { return temp->path(); }
  Shapes& sheet_shapes() { return *shapes(); }
  // The placed picture's top-left cell becomes an object whose Address fails (the caller's own cell answers).
  void AnchorWithFailingAddress() {
    anchor_ = korvel::ComPtr<HostObject>::Adopt(new HostObject(L"Anchor"));
    anchor_->Define(L"Address", [](HostObject::Call&) { return DISP_E_EXCEPTION; });
    HostObject* anchor = anchor_.get();
    shapes()->At(0)->Define(L"TopLeftCell", [anchor](HostObject::Call& call) {
      return HostObject::GiveObject(call, anchor);
    });
  }
  void TearDown() override {
    anchor_.reset();
    QrPictureTest::TearDown();
  }

 private:
  korvel::ComPtr<HostObject> anchor_;
};

struct FailureCase {
  const char* what;
  std::function<void(QrPictureFailureTest&)> arrange;
  bool old_picture_deleted;
  bool server_called;
  bool picture_tried = false;   // AddPicture called
  bool result_is_text = false;  // only when the file could not be removed
  size_t files_left = 0;
  bool new_picture_stays = false;  // inserted, though the call failed after
};

// Each step failing in turn: a null result (the text when only the removal failed), no box, no file left but
// the one that could not be removed, the host's memory given back and every object's references as before.
TEST_F(QrPictureFailureTest, EachStepFailingInTurn) {
  using T = QrPictureFailureTest;
  const FailureCase cases[] = {
      {"Caller", [](T& t) { t.FailMember(L"Application", L"Caller"); }, false, false},
      {"Caller writing a value and failing", [](T& t) { t.FailMember(L"Application", L"Caller", -1, true); }, false,
       false},
      {"the caller's first cell", [](T& t) { t.FailMember(L"Range", L"Cells"); }, false, false},
      {"Address", [](T& t) { t.FailMember(L"Range", L"Address", 1); }, false, false},
      {"Worksheet", [](T& t) { t.FailMember(L"Range", L"Worksheet"); }, false, false},
      {"Shapes", [](T& t) { t.FailMember(L"Worksheet", L"Shapes"); }, false, false},
      {"Count", [](T& t) { t.FailMember(L"Shapes", L"Count"); }, false, false},
      {"Item", [](T& t) { t.FailMember(L"Shapes", L"Item"); }, false, false},
      {"Item writing a value and failing", [](T& t) { t.FailMember(L"Shapes", L"Item", -1, true); }, false, false},
      {"Type", [](T& t) { t.FailMember(L"Shape", L"Type"); }, false, false},
      {"the shape's Name", [](T& t) { t.FailShapeName(DISPATCH_PROPERTYGET); }, false, false},
      {"TopLeftCell", [](T& t) { t.FailMember(L"Shape", L"TopLeftCell"); }, false, false},
      {"TopLeftCell's Address", [](T& t) { t.AnchorWithFailingAddress(); }, false, false},
      {"Delete", [](T& t) { t.FailMember(L"Shape", L"Delete"); }, false, false},
      {"Left", [](T& t) { t.FailMember(L"Range", L"Left"); }, true, false},
      {"Top", [](T& t) { t.FailMember(L"Range", L"Top"); }, true, false},
      {"no server object", [](T&) { std::exchange(pComServerDisp, nullptr)->Release(); }, true, false},
      {"the server refusing", [](T& t) { t.stand_in().AnswerWithFailure(E_INVALIDARG); }, true, true},
      {"the server answering with a number", [](T& t) { t.stand_in().AnswerWithValue(VI4(7)); }, true, true},
      {"the server answering with nothing", [](T& t) { t.stand_in().AnswerWithValue(VARIANT{}); }, true, true},
      {"the server answering with null",
       [](T& t) {
         VARIANT v;
         VariantInit(&v);
         v.vt = VT_NULL;
         t.stand_in().AnswerWithValue(v);
       },
       true, true},
      {"the server answering with an empty text", [](T& t) { t.stand_in().AnswerWithPath(L""); }, true, true},
      {"the server answering with a path cut by a zero",
       [](T& t) { t.stand_in().AnswerWithPath(std::wstring(L"C:\\x.PNG\0.PNG", 13)); }, true, true},
      {"the server's path naming no file",
       [](T& t) { t.stand_in().AnswerWithPath(t.temp_path() + L"\\missing.PNG"); }, true, true, true},
      {"AddPicture", [](T& t) { t.FailMember(L"Shapes", L"AddPicture"); }, true, true, true},
      {"AddPicture answering with no object", [](T& t) { t.AnswerAddPictureWithANumber(); }, true, true, true},
      {"naming the new picture", [](T& t) { t.FailShapeName(DISPATCH_PROPERTYPUT); }, true, true, true, false, 0, true},
      {"the file removal", [](T& t) { t.sheet_shapes().set_hold_files(true); }, true, true, true, true, 1},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.what);
    FreshHost();
    if (!pComServerDisp) {
      pComServerDisp = server.get();
      server->AddRef();
    }
    server->AnswerWithPicture();
    korvel::ComPtr<HostObject> old;
    {
      Shape* placed = shapes()->Place(kPicture, 2, 2);
      placed->AddRef();
      old = korvel::ComPtr<HostObject>::Adopt(placed);
    }
    const size_t written_before = server->written().size();
    const size_t outstanding = host.api().outstanding();
    c.arrange(*this);
    const References before = TakeReferences({{2, 2}});
    const int calls_before = server->calls();

    const auto result = Print(L"B2", L"Hi");

    EXPECT_EQ(result.null, !c.result_is_text);
    if (c.result_is_text) {
      EXPECT_EQ(result.value.text, L"Hi");
    }
    bool old_present = false;
    for (size_t k = 0; k < shapes()->size(); ++k) old_present = old_present || shapes()->At(k) == old.get();
    EXPECT_EQ(old_present, !c.old_picture_deleted);
    EXPECT_EQ(server->calls() > calls_before, c.server_called);
    EXPECT_EQ(InvokesOf(L"Shapes", L"AddPicture").size(), c.picture_tried ? 1u : 0u);
    EXPECT_EQ(shapes()->size(), (old_present ? 1u : 0u) + (c.result_is_text || c.new_picture_stays ? 1u : 0u));
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(host.api().outstanding(), outstanding);
    EXPECT_EQ(host.api().bad_frees(), 0u);
    std::vector<HostObject*> deleted;
    if (!old_present) deleted.push_back(old.get());
    host.model().ClearFailures();
    ExpectReferencesAsBefore(before, deleted);
    shapes()->ReleaseHeldFiles();
    const auto files = temp->Files();
    EXPECT_EQ(files.size(), c.files_left);
    if (c.files_left) {
      ASSERT_EQ(server->written().size(), written_before + 1);
      const std::wstring& kept = server->written().back();
      EXPECT_EQ(kept, temp->path() + L"\\" + files[0]);
      DeleteFileW(kept.c_str());
    }
  }
}

// Outside a calculation the host's Caller is an error value, whose bits must not be taken for an object.
TEST_F(QrPictureTest, ACallerThatIsNoObjectGivesANullResult) {
  shapes()->Place(kPicture, 1, 1);
  std::vector<XLOPER12> args(8, XMissing());
  std::wstring text = L"Hi";
  XLOPER12* result = QRcodePrint(text.data(), &args[0], &args[1], &args[2], &args[3], &args[4], &args[5], &args[6],
                                 &args[7]);
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(shapes()->size(), 1u);
  EXPECT_EQ(server->calls(), 0);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(QrPictureTest, WithoutTheHostsApplicationTheResultIsNull) {
  std::exchange(*addin.pExcelDisp, nullptr)->Release();
  EXPECT_TRUE(Print(L"B2", L"Hi").null);
  EXPECT_EQ(server->calls(), 0);
  EXPECT_TRUE(boxes().empty());
}

}  // namespace
}  // namespace korvel::test
