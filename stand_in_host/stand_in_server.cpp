#include "stand_in_server.h"

#include <objbase.h>

#include <cstdlib>

namespace korvel::standin {
namespace {

// A new "{GUID}.PNG" in TEMP, as the server names its pictures; empty when it cannot be written.
std::wstring WritePicture() {
  GUID guid{};
  if (FAILED(CoCreateGuid(&guid))) return L"";
  wchar_t text[64] = {};
  if (!StringFromGUID2(guid, text, 64)) return L"";
  const wchar_t* temp = _wgetenv(L"TEMP");
  const std::wstring path = std::wstring(temp ? temp : L"") + L"\\" + text + L".PNG";
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return L"";
  const std::string& bytes = StandInPictureBytes();
  DWORD put = 0;
  const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) && put == bytes.size();
  CloseHandle(file);
  if (!ok) {
    DeleteFileW(path.c_str());
    return L"";
  }
  return path;
}

}  // namespace

const std::string& StandInPictureBytes() {
  static const std::string bytes(
      "\x89PNG\r\n\x1A\n"
      "\x00\x00\x00\x0DIHDR\x00\x00\x00\x01\x00\x00\x00\x01\x01\x03\x00\x00\x00\x25\xDB\x56\xCA"
      "\x00\x00\x00\x00IEND\xAE\x42\x60\x82",
      8 + 25 + 12);
  return bytes;
}

StandInServer::StandInServer() : HostObject(L"VBA") {
  Define(L"QRcodePrint", [this](Call& call) { return QRcodePrint(call); });
}

void StandInServer::AnswerWithPath(const std::wstring& path) {
  answer_ = Answer::kPath;
  path_ = path;
}

void StandInServer::AnswerWithFailure(HRESULT hr) {
  answer_ = Answer::kFailure;
  failure_ = hr;
}

void StandInServer::AnswerWithValue(const VARIANT& value) {
  answer_ = Answer::kValue;
  value_ = OwnedVariant(value);
}

HRESULT StandInServer::QRcodePrint(Call& call) {
  ++calls_;
  if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
  if (call.args.empty() || call.args.size() > 9) return DISP_E_BADPARAMCOUNT;
  OwnedVariant answer;
  switch (answer_) {
    case Answer::kFailure:
      return failure_;
    case Answer::kValue:
      answer = value_;
      break;
    case Answer::kPath:
      // With its length: a test's path may hold a zero.
      answer.bstrVal = SysAllocStringLen(path_.data(), static_cast<UINT>(path_.size()));
      if (!answer.bstrVal) return E_OUTOFMEMORY;
      answer.vt = VT_BSTR;
      break;
    case Answer::kPicture: {
      const std::wstring path = WritePicture();
      if (path.empty()) return E_INVALIDARG;
      written_.push_back(path);
      answer = OwnedVariant::Text(path.c_str());
      break;
    }
  }
  if (!call.result) return S_OK;
  VariantClear(call.result);
  return VariantCopy(call.result, &answer);
}

}  // namespace korvel::standin
