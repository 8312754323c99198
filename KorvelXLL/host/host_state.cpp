#include "host/host_state.h"

extern "C" {
IDispatch* pExcelDisp = nullptr;
IDispatch* pComServerDisp = nullptr;
bool HostNormal = true;
int OperatingMode = 2;
int MenuLanguage = 2;
long long StartupCounters[11] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
}

namespace korvel::xll {

const wchar_t* const ProductTitle = L"KorvelXLL";
const wchar_t* const ProductSite = L"https://korvel.example.org/xll";
const wchar_t* const HelpTopic = L"https://korvel.example.org/xll!0";
const wchar_t* const ContactMailbox = L"support@korvel.example.org";
const wchar_t* const ContactBlog = L"https://korvel.example.org/blog";

}  // namespace korvel::xll
