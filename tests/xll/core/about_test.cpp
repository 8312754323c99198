// The About text, HelpXLL that returns it and XLLbuttonHelp that shows it. The expected texts are put together
// here from the fixed pieces of the log, with the Cyrillic letters of two words written by code point.
#include "add_in.h"
#include "startup/registration.h"
#include "calculation.h"
#include "startup/about.h"

namespace korvel::test {
namespace {

const std::wstring kRule(75, L'-');

// Windows and bitness from the same system calls the add-in makes.
std::wstring WindowsLine() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = 276;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExW(&info);
#pragma GCC diagnostic pop
  SYSTEM_INFO system{};
  GetNativeSystemInfo(&system);
  const bool wide = system.wProcessorArchitecture == 9 || system.wProcessorArchitecture == 12;
  return std::to_wstring(info.dwMajorVersion) + L"." + std::to_wstring(info.dwMinorVersion) +
         (wide ? L" (64-bit)" : L" (32-bit)");
}

struct Expected {
  std::wstring host_version = L"16.0";
  std::wstring com = L"16.0, Windows (64-bit) NT 10.00";
  long long counters[10] = {};
  bool vba_access = true;
  std::vector<std::wstring> refused;
};

Expected FromCounters() {
  Expected e;
  for (int i = 0; i < 10; ++i) e.counters[i] = StartupCounters[i];
  e.vba_access = StartupCounters[10] != 0;
  // Whatever start-up kept of refused registrations; how that list reads is checked on its own below.
  e.refused = RefusedRegistrations();
  return e;
}

std::wstring Assemble(const Expected& e, const std::wstring& suffix) {
  const std::wstring com = L"\u0421\u041E\u041C";         // Cyrillic Es, O, Em
  const std::wstring references = L"Referen\u0441es";   // a Cyrillic es as the eighth letter
  const wchar_t* labels[10] = {
      L"\n>Зарегистрированы функции C API Excel> ",
      L"\n>Создана временная книга Excel (при отсутствии других)> ",
      nullptr,
      L"\n>Создано меню и контекстного меню KorvelXll> ",
      L"\n>Выгружена библиотека KorvelCOM из ресурса> ",
      L"\n>Зарегистрирована библиотека KorvelCOM в реестре (Regsvr32)> ",
      L"\n>Добавлены нужные атрибуты> ",
      L"\n>Создано подключение к KorvelCOM (получен IDispatch)> ",
      nullptr,
      L"\n>Запущен сервер отслеживания событий Excel> ",
  };
  std::wstring t = L"Библиотека/Надстройка содержит:\n+Команды меню (вкладка 'Надстройки'/'ADD-INS')\n+Функции (в категориях 'XLL...')\n";
  t += L"+Библиотеку 'KorvelCOM.DLL'";
  t += L"\n\n" + kRule + L"\nЛог текущего процесса:\n";
  t += L"KorvelXLL.dll v2.0.1.1 assembly: x64_Release";
  t += L"\nExcel API> API: 12, Excel: " + e.host_version + L", Windows: " + WindowsLine();
  t += L"\nExcel COM> Excel: " + e.com;
  for (int i = 0; i < 10; ++i) {
    std::wstring label;
    if (i == 2)
      label = L"\n>Создано подключение к " + com + L" Excel (получен IDispatch)> ";
    else if (i == 8)
      label = L"\n>Подключена библиотека KorvelCOM для VBA (в " + references + L" VBA)> ";
    else
      label = labels[i];
    t += label + std::to_wstring(e.counters[i]);
  }
  if (!e.refused.empty()) {
    t += L"\n>Отклонены регистрации> ";
    for (size_t i = 0; i < e.refused.size(); ++i) t += (i ? L", " : L"") + e.refused[i];
  }
  t += L"\n>Доступ к объектной модели VBA> ";
  if (e.vba_access)
    t += L"Открыт";
  else
    t += L"Закрыт\n\n!! Для возможности использования в VBA раннего связывания с библиотекой 'KorvelCOM' в "
         L"автоматическом режиме (автовключение в " + references + L"(VBA))\n-нужно включить галку: 'Доверять "
         L"доступ к объектной модели проектов VBA'\n-или добавьте 'KorvelCOM' в " + references +
         L"(VBA) самостоятельно (отметив галкой)\n-или используйте в VBA позднее связывание !!";
  t += L"\n" + kRule + L"\n";
  // The licence and mailbox line, this product's own texts.
  t += L"\nЛицензия: freeware, бесплатно для любого использования\nПочта: support@korvel.example.org";
  t += L"\nБлог: https://korvel.example.org/blog";
  t += L"\nСайт: https://korvel.example.org/xll";
  return t + suffix;
}

class AboutTest : public AddInTest {
 protected:
  // HelpXLL as a cell calculates it: the text, with the record checked and handed back.
  std::wstring Help() {
    const size_t handed_back = host.api().handed_back();
    const auto result = Calculation::Get().Calculate(Sheet(), L"A1", [] { return HelpXLL(); });
    EXPECT_FALSE(result.null);
    EXPECT_EQ(result.value.type, xltypeStr | xlbitDLLFree);
    EXPECT_EQ(host.api().handed_back(), handed_back + 1);
    return result.value.text;
  }
  Worksheet* Sheet() { return static_cast<Worksheet*>(app()->active_workbook()->sheets()->At(0)); }
  void FailMember(const wchar_t* member) {
    MemberFailure f;
    f.object = L"Application";
    f.member = member;
    host.model().Fail(f);
  }
};

std::string Utf8(const std::wstring& w) {
  std::string out(WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr), 0);
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), static_cast<int>(out.size()),
                      nullptr, nullptr);
  return out;
}

#define EXPECT_TEXT_EQ(actual, expected) EXPECT_EQ(Utf8(actual), Utf8(expected))

TEST_F(AboutTest, AfterAnOpenTheTextIsThePiecesInOrder) {
  xlAutoOpen();
  const size_t boxes_before = boxes().size();
  const size_t outstanding = host.api().outstanding();
  EXPECT_TEXT_EQ(Help(), Assemble(FromCounters(), L""));
  EXPECT_EQ(boxes().size(), boxes_before);
  EXPECT_EQ(host.api().outstanding(), outstanding) << "the version string goes back to the host";
  EXPECT_EQ(host.api().bad_frees(), 0u);
}

TEST_F(AboutTest, CountersAccessFlagAndAdvice) {
  struct Case {
    const char* what;
    long long counters[11];
  };
  const Case cases[] = {
      {"access open", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1}},
      {"access closed: the advice lines", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0}},
      {"a negative reference counter", {1, 0, 1, 1, 1, 1, 1, 1, -3, 1, 0}},
      {"large counters", {9000000000LL, 0, 0, 0, 0, 0, 0, 0, -9000000000LL, 0, 7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::copy(std::begin(c.counters), std::end(c.counters), StartupCounters);
    EXPECT_TEXT_EQ(Help(), Assemble(FromCounters(), L""));
  }
  // A changed counter changes the next text.
  const std::wstring before = Help();
  ++StartupCounters[kFunctionsRegistered];
  EXPECT_NE(Help(), before);
}

TEST_F(AboutTest, HostVersionFromAStringOnly) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
    std::wstring version;
    size_t frees;  // records that went back through xlFree
  };
  const Case cases[] = {
      {"a string", [] {}, L"16.0", 1},
      {"xlfGetWorkspace failing", [] { Host::Get().api().InjectReturn(xlfGetWorkspace, xlretFailed); }, L"", 0},
      {"xlfGetWorkspace refused", [] { Host::Get().api().InjectReturn(xlfGetWorkspace, xlretInvXloper); }, L"", 0},
      {"a number", [] { Calculation::Get().set_workspace_answer(Calculation::WorkspaceAnswer::kNumber); }, L"", 1},
      {"an error value", [] { Calculation::Get().set_workspace_answer(Calculation::WorkspaceAnswer::kError); }, L"", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host.Reset();
    std::exchange(*addin.pExcelDisp, app())->Release();
    app()->AddRef();
    c.arrange();
    const size_t outstanding = host.api().outstanding();
    Expected e = FromCounters();
    e.host_version = c.version;
    EXPECT_TEXT_EQ(Help(), Assemble(e, L""));
    ASSERT_EQ(host.api().CallsOf(xlfGetWorkspace).size(), 1u);
    EXPECT_EQ(host.api().CallsOf(xlfGetWorkspace)[0].args.size(), 1u);
    EXPECT_EQ(host.api().CallsOf(xlfGetWorkspace)[0].args[0].num, 2);
    EXPECT_EQ(host.api().CallsOf(xlFree).size(), c.frees);
    EXPECT_EQ(host.api().outstanding(), outstanding);
    EXPECT_EQ(host.api().bad_frees(), 0u);
    EXPECT_TRUE(boxes().empty());
  }
}

TEST_F(AboutTest, ObjectModelTextIsEmptyWhenEitherGetFails) {
  for (const wchar_t* member : {L"Version", L"OperatingSystem"}) {
    SCOPED_TRACE(std::string(member, member + wcslen(member)));
    host.model().ClearFailures();
    FailMember(member);
    Expected e = FromCounters();
    e.com = L"";
    EXPECT_TEXT_EQ(Help(), Assemble(e, L""));
  }
  host.model().ClearFailures();
  std::exchange(*addin.pExcelDisp, nullptr)->Release();
  Expected e = FromCounters();
  e.com = L"";
  EXPECT_TEXT_EQ(Help(), Assemble(e, L"")) << "without the host's Application";
  EXPECT_TRUE(boxes().empty());
}

TEST_F(AboutTest, HelpEndsWithTheSiteLine) {
  const std::wstring text = Help();
  const std::wstring site = L"\nСайт: " + std::wstring(ProductSite);
  ASSERT_GE(text.size(), site.size());
  EXPECT_EQ(text.substr(text.size() - site.size()), site);
}

// The refused registrations that start-up keeps come after the ten counters, and only when there are any.
TEST_F(AboutTest, RefusedRegistrationsFollowTheCounters) {
  AboutValues values = GatherAboutValues();
  EXPECT_EQ(values.refused_registrations, RefusedRegistrations());
  values.refused_registrations = {L"QRcodePrint", L"XLLbuttonHelp"};
  Expected e = FromCounters();
  e.refused = values.refused_registrations;
  EXPECT_TEXT_EQ(ComposeAboutText(values, L"!"), Assemble(e, L"!"));
}

// A registration that the host refuses at an open is named in the log, and the others are not.
TEST_F(AboutTest, ARegistrationRefusedAtOpenIsNamedInTheLog) {
  host.api().RefuseRegistration(L"VLOOKUP3");
  host.api().RefuseRegistration(L"XLLbuttonSheets");
  xlAutoOpen();
  ASSERT_EQ(RefusedRegistrations(), (std::vector<std::wstring>{L"VLOOKUP3", L"XLLbuttonSheets"}));
  Expected e = FromCounters();
  e.refused = {L"VLOOKUP3", L"XLLbuttonSheets"};
  EXPECT_TEXT_EQ(Help(), Assemble(e, L""));
}

TEST_F(AboutTest, BoxCaptionedWithTheBuildLineOpensTheSiteOnlyOnOK) {
  const std::wstring question = L"\n\nОткрыть сайт продукта?";
  for (int mode : {1, 2, 3})
    for (const std::wstring& script : {std::wstring(), std::wstring(L"0"), std::wstring(L"1"), std::wstring(L"01x")})
      for (int answer : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(testing::Message() << "mode " << mode << ", script '" << std::string(script.begin(), script.end())
                                        << "', answer " << answer);
        host.ui().Reset();
        *addin.OperatingMode = mode;
        host.ui().QueueAnswer(answer);
        std::wstring counted = std::wstring(1, static_cast<wchar_t>(script.size())) + script;
        EXPECT_EQ(XLLbuttonHelp(counted.data()), 0);
        ASSERT_EQ(boxes().size(), 1u);
        const ShownBox& box = boxes()[0];
        EXPECT_EQ(box.owner, host.windows().main());
        EXPECT_EQ(box.caption, L"KorvelXLL.dll v2.0.1.1 assembly: x64_Release");
        EXPECT_EQ(box.type, 0x40141u);
        EXPECT_TEXT_EQ(box.text, Assemble(FromCounters(), question));
        if (answer == IDOK) {
          ASSERT_EQ(host.ui().shell_runs().size(), 1u);
          const ShellRun& run = host.ui().shell_runs()[0];
          EXPECT_FALSE(run.extended);
          EXPECT_EQ(run.owner, nullptr);
          EXPECT_EQ(run.verb, L"open");
          EXPECT_EQ(run.file, ProductSite);
          EXPECT_EQ(run.parameters, L"");
          EXPECT_EQ(run.directory, L"");
          EXPECT_EQ(run.show, SW_SHOW);
        } else {
          EXPECT_TRUE(host.ui().shell_runs().empty());
        }
      }
}

// A failing shell is not reported.
TEST_F(AboutTest, AShellThatCannotOpenTheSiteIsNotReported) {
  host.ui().set_shell_result(2);  // SE_ERR_FNF
  host.ui().QueueAnswer(IDOK);
  wchar_t none[] = {0};
  EXPECT_EQ(XLLbuttonHelp(none), 0);
  EXPECT_EQ(boxes().size(), 1u);
  EXPECT_EQ(host.ui().shell_runs().size(), 1u);
}

TEST(AboutBitnessTest, SixtyFourBitOnX64AndOnArm64) {
  EXPECT_EQ(BitnessOf(9), L" (64-bit)");
  EXPECT_EQ(BitnessOf(12), L" (64-bit)");
  for (WORD other : {0, 5, 6, 0xFFFF}) EXPECT_EQ(BitnessOf(other), L" (32-bit)") << other;
}

}  // namespace
}  // namespace korvel::test
