// Entry points of the resizer's in-process server.
#include <tarvek/dshow/Factory.h>

#include "TCTfTrfResizerFilter.h"

#define TARVEK_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

namespace
{
const AMOVIESETUP_PIN g_pins[] = {
  {L"Input", FALSE, FALSE, FALSE, FALSE, nullptr, L"", 0, nullptr},
  {L"Output", FALSE, TRUE, FALSE, FALSE, nullptr, L"", 0, nullptr},
};

const AMOVIESETUP_FILTER g_filter = {&CLSID_TarvekResizerFilter, L"TarvekResizerFilter 13.1.2", MERIT_DO_NOT_USE,
                                     2, g_pins};

const CFactoryTemplate g_templates[] = {
  {L"TarvekResizerFilter 13.1.2", &CLSID_TarvekResizerFilter, TCTfTrfResizerFilter::CreateInstance, nullptr,
   &g_filter},
};
constexpr int g_templateCount = sizeof(g_templates) / sizeof(g_templates[0]);
} // namespace

TARVEK_MODULE_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
  return CClassFactory::GetClassObject(g_templates, g_templateCount, clsid, riid, ppv);
}

TARVEK_MODULE_EXPORT HRESULT DllCanUnloadNow()
{
  return CClassFactory::CanUnloadNow();
}

TARVEK_MODULE_EXPORT HRESULT DllRegisterServer()
{
  return AMovieDllRegisterServer2(g_templates, g_templateCount, TRUE, reinterpret_cast<const void*>(&DllCanUnloadNow));
}

TARVEK_MODULE_EXPORT HRESULT DllUnregisterServer()
{
  return AMovieDllRegisterServer2(g_templates, g_templateCount, FALSE,
                                  reinterpret_cast<const void*>(&DllCanUnloadNow));
}
