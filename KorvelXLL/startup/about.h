// The About text: what the add-in contains, the log of this process (build, versions, start-up counters,
// access to the VBA project model), licence and contacts. HelpXLL returns it; XLLbuttonHelp shows it.
#pragma once

#include <string>
#include <vector>

namespace korvel::xll {

// The add-in's build line; also the caption of the About box.
extern const wchar_t* const BuildLine;

// What the About text reports, read afresh at each call.
struct AboutValues {
  std::wstring api_version;      // XLCallVer's high byte
  std::wstring host_version;     // GET.WORKSPACE(2); empty when the host gave no text
  std::wstring windows_version;  // major.minor
  std::wstring bitness;          // " (64-bit)" or " (32-bit)"
  std::wstring object_model;     // "Version, OperatingSystem" of the Application; empty when either failed
  long long counters[10] = {};
  bool vba_access = false;
  std::vector<std::wstring> refused_registrations;
};

AboutValues GatherAboutValues();
// " (64-bit)" for the processor architectures of GetNativeSystemInfo under which the 64-bit host runs,
// " (32-bit)" for any other.
std::wstring BitnessOf(unsigned short architecture);
// The pieces of the text in their order, the caller's suffix last.
std::wstring ComposeAboutText(const AboutValues& values, const std::wstring& suffix);
// Both: the text as it stands now.
std::wstring AboutText(const std::wstring& suffix);

}  // namespace korvel::xll
