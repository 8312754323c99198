// Cells' QR pictures drawn by the server that the add-in itself wrote, registered and bound in the private
// prefix (check-end-to-end.sh runs this case after the installation cases, with the server's folder in
// KORVEL_E2E_FOLDER, and decodes what lands in KORVEL_QR_OUT).
#include <algorithm>
#include <cwctype>

#include "qr_picture_support.h"
#include "server_files.h"
#include "startup/com_server_install.h"
#include "startup/startup_steps.h"

namespace korvel::test {
namespace {

std::wstring Environment(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
  return n < MAX_PATH ? std::wstring(value, n) : std::wstring();
}

// Names of the files in `folder` that end in ".png", whatever the case.
std::vector<std::wstring> PngFilesIn(const std::wstring& folder) {
  std::vector<std::wstring> out;
  WIN32_FIND_DATAW found{};
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    std::wstring name = found.cFileName;
    std::transform(name.begin(), name.end(), name.begin(), [](wchar_t c) { return std::towlower(c); });
    if (name.size() > 4 && name.compare(name.size() - 4, 4, L".png") == 0) out.push_back(found.cFileName);
  } while (FindNextFileW(h, &found));
  FindClose(h);
  return out;
}

class EndToEndPictures : public QrPictureTest {
 protected:
  void SetUp() override {
    QrPictureTest::SetUp();
    host.ui().PassToRealShell();
    // The server comes from the add-in's own installation and binding, not from the stand-in.
    std::exchange(pComServerDisp, nullptr)->Release();
    server.reset();
  }
};

// TEMP is the folder that the script registered machine-wide (Wine finds classes only there): the add-in writes
// the server into it, registers and binds it, and the server's pictures pass through the same folder. Each cell
// is calculated twice; the bytes of each cell's one picture go out for zbarimg.
TEST_F(EndToEndPictures, TheServerTheAddInBoundDrawsEachCellsOnePicture) {
  const std::wstring folder = Environment(L"KORVEL_E2E_FOLDER");
  ASSERT_FALSE(folder.empty());
  ScopedTempFolder::PointTempAt(folder);
  const std::wstring file = folder + L"\\KorvelCOM(x64).dll";

  ASSERT_EQ(ExtractComServer(), 0);
  EXPECT_EQ(StartupCounters[kServerWritten], 1);
  ASSERT_EQ(StartupCounters[kServerRegistered], 1);
  EXPECT_EQ(FileBytes(file), BuildServerBytes());
  BindComServer();
  ASSERT_NE(pComServerDisp, nullptr);
  HMODULE loaded = GetModuleHandleW(file.c_str());
  ASSERT_NE(loaded, nullptr) << "the bound server is the file the add-in wrote";

  struct Cell {
    const wchar_t* address;
    LONG row, column;
    std::wstring text;
    const wchar_t* kept_as;
  };
  const Cell cells[] = {
      {L"B10", 10, 2, L"Hello", L"hello.png"},
      {L"C3", 3, 3, L"Привет, мир", L"cyrillic.png"},
  };
  for (int round = 1; round <= 2; ++round) {
    for (const Cell& c : cells) {
      SCOPED_TRACE(testing::Message() << "calculation " << round << " of " << c.address);
      const auto result = Print(c.address, c.text);
      ASSERT_FALSE(result.null);
      EXPECT_EQ(result.value.type, xltypeStr | xlbitDLLFree);
      EXPECT_EQ(result.value.text, c.text);
      EXPECT_TRUE(PngFilesIn(folder).empty()) << "the picture's file is removed";
    }
  }
  const auto added = InvokesOf(L"Shapes", L"AddPicture");
  ASSERT_EQ(added.size(), 4u);
  for (const SeenInvoke& a : added) EXPECT_EQ(a.args[0].text.rfind(folder + L"\\{", 0), 0u) << "a file in TEMP";

  EXPECT_EQ(shapes()->size(), 2u);
  EXPECT_EQ(shapes()->deleted(), 2) << "each second calculation replaced its cell's picture";
  for (const Cell& c : cells) {
    const std::vector<Shape*> at = shapes()->At(c.row, c.column);
    ASSERT_EQ(at.size(), 1u);
    EXPECT_EQ(at[0]->type(), kPicture);
    unsigned long width = 0, height = 0;
    EXPECT_TRUE(at[0]->PngSize(width, height));
    KeepForDecoding(at[0]->bytes(), c.kept_as);
  }
  EXPECT_TRUE(boxes().empty());
}

}  // namespace
}  // namespace korvel::test
