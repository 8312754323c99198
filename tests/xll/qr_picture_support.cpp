#include "qr_picture_support.h"

#include <objbase.h>

#include <algorithm>
#include <fstream>

namespace korvel::test {

PrivateTemp::PrivateTemp() {
  wchar_t base[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, base);
  GUID guid{};
  CoCreateGuid(&guid);
  wchar_t name[64] = {};
  StringFromGUID2(guid, name, 64);
  path_ = std::wstring(base) + L"korvel-qr-" + std::wstring(name + 1, 36);
  CreateDirectoryW(path_.c_str(), nullptr);
  const wchar_t* old = _wgetenv(L"TEMP");
  had_old_ = old != nullptr;
  if (old) old_ = old;
  _wputenv((L"TEMP=" + path_).c_str());
}

PrivateTemp::~PrivateTemp() {
  _wputenv((L"TEMP=" + (had_old_ ? old_ : std::wstring())).c_str());
  for (const std::wstring& f : Files()) DeleteFileW((path_ + L"\\" + f).c_str());
  RemoveDirectoryW(path_.c_str());
}

std::vector<std::wstring> PrivateTemp::Files() const {
  std::vector<std::wstring> out;
  WIN32_FIND_DATAW found{};
  HANDLE h = FindFirstFileW((path_ + L"\\*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    const std::wstring n = found.cFileName;
    if (n != L"." && n != L"..") out.push_back(n);
  } while (FindNextFileW(h, &found));
  FindClose(h);
  return out;
}

void QrPictureTest::SetUp() {
  AddInTest::SetUp();
  temp = new PrivateTemp();
  server = korvel::ComPtr<StandInServer>::Adopt(new StandInServer());
  pComServerDisp = server.get();
  server->AddRef();
}

void QrPictureTest::TearDown() {
  shapes()->ReleaseHeldFiles();
  if (pComServerDisp) std::exchange(pComServerDisp, nullptr)->Release();
  server.reset();
  delete temp;
  temp = nullptr;
  AddInTest::TearDown();
}

void QrPictureTest::FreshHost() {
  if (*addin.pExcelDisp) std::exchange(*addin.pExcelDisp, nullptr)->Release();
  host.Reset();
  *addin.pExcelDisp = app();
  app()->AddRef();
}

Calculation::CellResult QrPictureTest::Print(const std::wstring& cells, const std::wstring& text,
                                             std::vector<XLOPER12> args) {
  args.resize(8, XMissing());
  std::wstring owned = text;  // "C%": the host's own null-terminated copy
  return calc().Calculate(sheet(), cells, [&] {
    return QRcodePrint(owned.data(), &args[0], &args[1], &args[2], &args[3], &args[4], &args[5], &args[6],
                       &args[7]);
  });
}

std::vector<SeenInvoke> QrPictureTest::InvokesOf(const std::wstring& object, const std::wstring& member) const {
  std::vector<SeenInvoke> out;
  for (const SeenInvoke& s : Host::Get().model().invokes())
    if (s.object == object && s.member == member) out.push_back(s);
  return out;
}

QrPictureTest::References QrPictureTest::TakeReferences(const std::vector<std::pair<LONG, LONG>>& cells) {
  std::vector<HostObject*> objects = {app(), app()->active_workbook(), app()->active_workbook()->sheets(), sheet(),
                                      shapes()};
  for (size_t i = 0; i < shapes()->size(); ++i) objects.push_back(shapes()->At(i));
  for (const auto& [row, column] : cells) objects.push_back(sheet()->Cell(row, column));
  if (server) objects.push_back(server.get());
  References out;
  for (HostObject* o : objects) {
    const LONG count = o->refs();
    o->AddRef();
    out.counts.emplace_back(korvel::ComPtr<HostObject>::Adopt(o), count);
  }
  return out;
}

void QrPictureTest::ExpectReferencesAsBefore(const References& before, const std::vector<HostObject*>& deleted) {
  for (const auto& [object, count] : before.counts) {
    const bool gone = std::find(deleted.begin(), deleted.end(), object.get()) != deleted.end();
    // The snapshot's own reference is not counted.
    EXPECT_EQ(object->refs() - 1, gone ? count - 1 : count) << std::string(object->kind().begin(), object->kind().end());
  }
  for (size_t i = 0; i < shapes()->size(); ++i) {
    Shape* shape = shapes()->At(i);
    bool known = false;
    for (const auto& entry : before.counts) known = known || entry.first.get() == shape;
    if (!known) {
      EXPECT_EQ(shape->refs(), 1) << "a new shape holds only the collection's reference";
    }
  }
}


void KeepForDecoding(const std::string& bytes, const std::wstring& name) {
  const wchar_t* folder = _wgetenv(L"KORVEL_QR_OUT");
  if (!folder || !*folder) return;
  std::ofstream out((std::wstring(folder) + L"\\" + name).c_str(), std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace korvel::test
