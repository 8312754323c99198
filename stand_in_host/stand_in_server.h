// A stand-in of the server's VBA object, for the add-in's cases that the real server cannot show: its
// QRcodePrint is recorded like every member of the stand-in (ObjectModel::invokes, object "VBA") and answers
// as the test says: with the path of a picture it wrote into TEMP (the default, as the server does), with a
// path it did not write, with a failure, or with a value of any other type.
#pragma once

#include <string>
#include <vector>

#include "object_model/host_object.h"

namespace korvel::standin {

class StandInServer : public HostObject {
 public:
  StandInServer();

  void AnswerWithPicture() { answer_ = Answer::kPicture; }
  void AnswerWithPath(const std::wstring& path);
  void AnswerWithFailure(HRESULT hr);
  void AnswerWithValue(const VARIANT& value);

  // Pictures written so far, by full path.
  const std::vector<std::wstring>& written() const { return written_; }
  int calls() const { return calls_; }

 private:
  enum class Answer { kPicture, kPath, kFailure, kValue };
  HRESULT QRcodePrint(Call& call);

  Answer answer_ = Answer::kPicture;
  std::wstring path_;
  HRESULT failure_ = E_INVALIDARG;
  OwnedVariant value_;
  std::vector<std::wstring> written_;
  int calls_ = 0;
};

// The bytes of the stand-in's picture: a PNG signature and header of a 1 x 1 picture.
const std::string& StandInPictureBytes();

}  // namespace korvel::standin
