// The frame of the menu-command tests: a command's argument as the host passes it, the boxes it showed, and
// the checks that every path of a command leaves the host as it found it.
#pragma once

#include <cwchar>
#include <string>
#include <vector>

#include "add_in.h"

namespace korvel::test {

using Command = int(__stdcall*)(wchar_t*);

// A scripted-answers argument: null for none, else the count and then the characters.
class Script {
 public:
  explicit Script(const wchar_t* text) : given_(text != nullptr) {
    if (text) counted_ = std::wstring(1, static_cast<wchar_t>(std::wcslen(text))) + text;
  }
  wchar_t* get() { return given_ ? counted_.data() : nullptr; }
  std::string name() const {
    if (!given_) return "none";
    return "'" + std::string(counted_.begin() + 1, counted_.end()) + "'";
  }

 private:
  bool given_;
  std::wstring counted_;
};

struct Box {
  std::wstring text;
  UINT type;
  bool operator==(const Box& o) const { return text == o.text && type == o.type; }
};

inline std::ostream& operator<<(std::ostream& os, const Box& b) {
  return os << std::hex << b.type << std::dec << " \"" << std::string(b.text.begin(), b.text.end()) << "\"";
}

constexpr UINT kQuestion = 0x24, kError = 0x40010, kWarning = 0x40030, kInformation = 0x40040;

class CommandTest : public AddInTest {
 protected:
  void SetUp() override {
    AddInTest::SetUp();
    Baseline();
  }
  // Takes the host's reference counts as they stand now, for LeavesHostAsFound.
  void Baseline() {
    app_refs_ = app()->refs();
    book_ = app()->active_workbook();
    sheet_ = app()->active_sheet();
    book_refs_ = book_ ? book_->refs() : 0;
    sheet_refs_ = sheet_ ? sheet_->refs() : 0;
  }
  // The command run as the host runs a registered one, with a clean record of boxes and calls.
  // `answers` answer the boxes that are shown, in order (IDOK for any beyond them).
  int Run(Command command, const wchar_t* script, int mode, std::vector<int> answers = {}) {
    host.ui().Reset();
    for (int a : answers) host.ui().QueueAnswer(a);
    host.model().ClearInvokes();
    host.api().ClearCalls();
    *addin.OperatingMode = mode;
    Script s(script);
    return command(s.get());
  }
  // The boxes shown, each as text and type; every one owned by the host's window and captioned with the
  // product's title, or, in a command whose boxes are all timed, with the title and the time so far.
  std::vector<Box> Boxes() {
    std::vector<Box> out;
    for (const ShownBox& b : boxes()) {
      EXPECT_EQ(b.owner, host.windows().main());
      if (timed_captions_) EXPECT_TRUE(IsTimedCaption(b.caption)) << std::string(b.caption.begin(), b.caption.end());
      else EXPECT_EQ(b.caption, ProductTitle);
      out.push_back({b.text, b.type});
    }
    return out;
  }
  static bool IsTimedCaption(const std::wstring& caption) {
    const std::wstring head = std::wstring(ProductTitle) + L" (timing: ";
    if (caption.rfind(head, 0) != 0 || caption.size() <= head.size() + 4) return false;
    if (caption.compare(caption.size() - 4, 4, L" ms)") != 0) return false;
    for (size_t i = head.size(); i < caption.size() - 4; ++i)
      if (caption[i] < L'0' || caption[i] > L'9') return false;
    return true;
  }
  bool timed_captions_ = false;
  // Whether a box of the timing notice ("millisecond: N") is among those shown.
  static bool IsTiming(const Box& b) { return b.type == kInformation && b.text.rfind(L"millisecond: ", 0) == 0; }
  std::vector<Box> BoxesWithoutTiming() {
    std::vector<Box> out;
    for (const Box& b : Boxes())
      if (!IsTiming(b)) out.push_back(b);
    return out;
  }
  size_t TimingBoxes() {
    size_t n = 0;
    for (const Box& b : Boxes()) n += IsTiming(b);
    return n;
  }
  // Nothing of the host kept or lost: host memory given back, no object of a call alive, the Application
  // with the references it had, and no host fault.
  void ExpectHostAsFound() {
    EXPECT_EQ(host.api().outstanding(), 0u);
    EXPECT_EQ(host.api().bad_frees(), 0u);
    EXPECT_EQ(host.model().made_for_call_alive(), 0);
    EXPECT_EQ(app()->refs(), app_refs_);
    if (book_) EXPECT_EQ(book_->refs(), book_refs_);
    if (sheet_) EXPECT_EQ(sheet_->refs(), sheet_refs_);
    EXPECT_TRUE(host.model().faults().empty());
  }
  // Top-level invokes of `member` on objects of `kind`.
  std::vector<SeenInvoke> InvokesOf(const std::wstring& kind, const std::wstring& member) {
    std::vector<SeenInvoke> out;
    for (const SeenInvoke& i : host.model().invokes())
      if (!i.nested && i.object == kind && i.member == member) out.push_back(i);
    return out;
  }
  bool NoHostCall() {
    for (const SeenInvoke& i : host.model().invokes())
      if (!i.nested) return false;
    return host.api().calls().empty();
  }

 private:
  LONG app_refs_ = 0, book_refs_ = 0, sheet_refs_ = 0;
  HostObject* book_ = nullptr;
  HostObject* sheet_ = nullptr;
};

// The modes by name, for traces.
inline const char* ModeName(int mode) { return mode == 1 ? "Test" : mode == 2 ? "User" : "Fast"; }

}  // namespace korvel::test
