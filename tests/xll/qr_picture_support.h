// What the QR-picture cases share: a private TEMP folder, the cell calculation, argument records, the shapes
// of the sheet and the reference counts of every stand-in object the function meets.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "add_in.h"
#include "calculation.h"
#include "value_records.h"
#include "object_model/workbooks.h"
#include "stand_in_server.h"

namespace korvel::test {

// TEMP of this process (and of a server loaded into it) pointed at a fresh folder of its own.
class PrivateTemp {
 public:
  PrivateTemp();
  ~PrivateTemp();
  PrivateTemp(const PrivateTemp&) = delete;
  PrivateTemp& operator=(const PrivateTemp&) = delete;
  const std::wstring& path() const { return path_; }
  // Names of the files in the folder.
  std::vector<std::wstring> Files() const;

 private:
  std::wstring path_;
  bool had_old_ = false;
  std::wstring old_;
};

class QrPictureTest : public AddInTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A fresh stand-in host for the next case of a table, with pExcelDisp on its Application.
  void FreshHost();
  Worksheet* sheet() { return static_cast<Worksheet*>(app()->active_workbook()->sheets()->At(0)); }
  Shapes* shapes() { return sheet()->shapes(); }
  Calculation& calc() { return Calculation::Get(); }

  // QRcodePrint calculated in `cells` with `text` and up to eight further arguments (missing after those).
  Calculation::CellResult Print(const std::wstring& cells, const std::wstring& text, std::vector<XLOPER12> args = {});
  // The server calls that the object model recorded, and AddPicture's.
  std::vector<SeenInvoke> InvokesOf(const std::wstring& object, const std::wstring& member) const;

  // The reference count of every stand-in object the function may meet: the Application, the workbook and
  // its sheets, the sheet, its shapes collection and each shape, the cells in `cells` and the stand-in server.
  // Shapes are held by the snapshot, so that a deleted one can still be looked at.
  struct References {
    std::vector<std::pair<korvel::ComPtr<HostObject>, LONG>> counts;
  };
  References TakeReferences(const std::vector<std::pair<LONG, LONG>>& cells);
  // Every object of `before` holds as many references as then (less the snapshot's own hold on a shape, and
  // less the collection's on a shape in `deleted`), and every shape added since holds only the collection's.
  void ExpectReferencesAsBefore(const References& before, const std::vector<HostObject*>& deleted = {});

  PrivateTemp* temp = nullptr;
  korvel::ComPtr<StandInServer> server;
};


// The bytes written to KORVEL_QR_OUT\<name> when that variable is set (a later step decodes them).
void KeepForDecoding(const std::string& bytes, const std::wstring& name);

}  // namespace korvel::test
