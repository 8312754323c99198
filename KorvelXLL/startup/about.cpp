// The About text and the worksheet function that returns it.
#include "startup/about.h"

#include <windows.h>

#include "host/auto_wrap.h"
#include "host/host_call.h"
#include "host/xl_owners.h"
#include "host/host_state.h"
#include "startup/exports.h"
#include "startup/registration.h"

namespace korvel::xll {
namespace {

// Processor architectures of GetNativeSystemInfo that are 64-bit Windows: x64, and ARM64, where the 64-bit
// host runs emulated.
constexpr WORD kArchitectureX64 = 9;
constexpr WORD kArchitectureArm64 = 12;
constexpr int kWorkspaceHostVersion = 2;

const std::wstring kRule(75, L'-');

std::wstring HostVersion() {
  XLOPER12 which{};
  which.xltype = xltypeNum;
  which.val.num = kWorkspaceHostVersion;
  HostResult version;
  if (Excel12X(xlfGetWorkspace, version.get(), true, nullptr, 1, &which) != xlretSuccess) return {};
  // Only a string holds the version; whatever the host filled goes back to it when `version` goes.
  if (version.kind() != xltypeStr || !version->val.str) return {};
  return std::wstring(version->val.str + 1, static_cast<unsigned short>(version->val.str[0]));
}

std::wstring WindowsVersion() {
  OSVERSIONINFOW info{};
  static_assert(sizeof(info) == 276, "the version record of GetVersionExW");
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExW(&info);
#pragma GCC diagnostic pop
  return std::to_wstring(info.dwMajorVersion) + L"." + std::to_wstring(info.dwMinorVersion);
}

std::wstring Bitness() {
  SYSTEM_INFO info{};
  GetNativeSystemInfo(&info);
  return BitnessOf(info.wProcessorArchitecture);
}

// A property of the Application as text; false when the get failed or its value has no text form.
bool ApplicationText(const wchar_t* name, std::wstring& text) {
  OwnedVariant value;
  if (AutoWrapX(name, nullptr, 0, &value, true, nullptr, 0) != 0) return false;
  OwnedVariant as_text;
  if (FAILED(VariantChangeType(&as_text, &value, 0, VT_BSTR)) || as_text.vt != VT_BSTR) return false;
  text.assign(as_text.bstrVal, SysStringLen(as_text.bstrVal));
  return true;
}

std::wstring ObjectModelText() {
  std::wstring version, system;
  if (!ApplicationText(L"Version", version) || !ApplicationText(L"OperatingSystem", system)) return {};
  return version + L", " + system;
}

struct CounterLabel {
  StartupCounter counter;
  const wchar_t* label;
};

const CounterLabel kCounterLines[] = {
    {kFunctionsRegistered, L"\n>Зарегистрированы функции C API Excel> "},
    {kTemporaryWorkbook, L"\n>Создана временная книга Excel (при отсутствии других)> "},
    {kHostDispatch, L"\n>Создано подключение к \u0421\u041E\u041C Excel (получен IDispatch)> "},
    {kMenusBuilt, L"\n>Создано меню и контекстного меню KorvelXll> "},
    {kServerWritten, L"\n>Выгружена библиотека KorvelCOM из ресурса> "},
    {kServerRegistered, L"\n>Зарегистрирована библиотека KorvelCOM в реестре (Regsvr32)> "},
    {kServerHidden, L"\n>Добавлены нужные атрибуты> "},
    {kServerDispatch, L"\n>Создано подключение к KorvelCOM (получен IDispatch)> "},
    {kVbaReferences, L"\n>Подключена библиотека KorvelCOM для VBA (в Referen\u0441es VBA)> "},
    {kSinkConnected, L"\n>Запущен сервер отслеживания событий Excel> "},
};

const wchar_t* const kVbaAccessClosed =
    L"Закрыт\n\n!! Для возможности использования в VBA раннего связывания с библиотекой 'KorvelCOM' в "
    L"автоматическом режиме (автовключение в Referen\u0441es(VBA))\n-нужно включить галку: 'Доверять доступ к "
    L"объектной модели проектов VBA'\n-или добавьте 'KorvelCOM' в Referen\u0441es(VBA) самостоятельно (отметив "
    L"галкой)\n-или используйте в VBA позднее связывание !!";

// The licence line and the mailbox label, which the log's fixed texts leave to the product.
const wchar_t* const kLicenceLine = L"Лицензия: freeware, бесплатно для любого использования";
const wchar_t* const kMailboxLabel = L"Почта: ";
// Shown after the counters only when the host refused a registration.
const wchar_t* const kRefusedLabel = L"\n>Отклонены регистрации> ";

}  // namespace

std::wstring BitnessOf(unsigned short architecture) {
  return architecture == kArchitectureX64 || architecture == kArchitectureArm64 ? L" (64-bit)" : L" (32-bit)";
}

const wchar_t* const BuildLine = L"KorvelXLL.dll v2.0.1.1 assembly: x64_Release";

AboutValues GatherAboutValues() {
  AboutValues values;
  values.host_version = HostVersion();
  values.api_version = std::to_wstring(HostCallVersion() / 256);
  values.windows_version = WindowsVersion();
  values.bitness = Bitness();
  values.object_model = ObjectModelText();
  for (const CounterLabel& line : kCounterLines) values.counters[line.counter] = StartupCounters[line.counter];
  values.vba_access = StartupCounters[kVbaAccess] != 0;
  values.refused_registrations = RefusedRegistrations();
  return values;
}

std::wstring ComposeAboutText(const AboutValues& v, const std::wstring& suffix) {
  std::wstring text =
      L"Библиотека/Надстройка содержит:\n+Команды меню (вкладка 'Надстройки'/'ADD-INS')\n+Функции (в категориях "
      L"'XLL...')\n";
  text += L"+Библиотеку 'KorvelCOM.DLL'";
  text += L"\n\n" + kRule + L"\nЛог текущего процесса:\n";
  text += BuildLine;
  text += L"\nExcel API> API: " + v.api_version + L", Excel: " + v.host_version + L", Windows: " +
          v.windows_version + v.bitness;
  text += L"\nExcel COM> Excel: " + v.object_model;
  for (const CounterLabel& line : kCounterLines) text += line.label + std::to_wstring(v.counters[line.counter]);
  if (!v.refused_registrations.empty()) {
    text += kRefusedLabel;
    for (size_t i = 0; i < v.refused_registrations.size(); ++i)
      text += (i ? L", " : L"") + v.refused_registrations[i];
  }
  text += L"\n>Доступ к объектной модели VBA> ";
  text += v.vba_access ? L"Открыт" : kVbaAccessClosed;
  text += L"\n" + kRule + L"\n";
  text += std::wstring(L"\n") + kLicenceLine + L"\n" + kMailboxLabel + ContactMailbox;
  text += std::wstring(L"\nБлог: ") + ContactBlog;
  text += std::wstring(L"\nСайт: ") + ProductSite;
  text += suffix;
  return text;
}

std::wstring AboutText(const std::wstring& suffix) { return ComposeAboutText(GatherAboutValues(), suffix); }

}  // namespace korvel::xll

using namespace korvel::xll;

extern "C" XLOPER12* __stdcall HelpXLL() {
  try {
    std::wstring text = AboutText(L"");
    return NewXLStrFromWString(text);
  } catch (...) {
    return nullptr;
  }
}
