#pragma once
// Class factory, registration data and the filter registry of a component
// module. The module's exported entry points call these.
#include <map>
#include <string>

#include <tarvek/dshow/Unknown.h>

constexpr DWORD MERIT_DO_NOT_USE = 0x00200000u;

typedef CUnknown* (*LPFNNewCOMObject)(IUnknown* outer, HRESULT* phr);
typedef void (*LPFNInitRoutine)(BOOL loading, const CLSID* clsid);

struct AMOVIESETUP_MEDIATYPE
{
  const CLSID* clsMajorType;
  const CLSID* clsMinorType;
};

struct AMOVIESETUP_PIN
{
  LPCWSTR strName;
  BOOL bRendered;
  BOOL bOutput;
  BOOL bZero;
  BOOL bMany;
  const CLSID* clsConnectsToFilter;
  LPCWSTR strConnectsToPin;
  unsigned nMediaTypes;
  const AMOVIESETUP_MEDIATYPE* lpMediaType;
};

struct AMOVIESETUP_FILTER
{
  const CLSID* clsID;
  LPCWSTR strName;
  DWORD dwMerit;
  unsigned nPins;
  const AMOVIESETUP_PIN* lpPin;
};

/// One creatable class of a module.
struct CFactoryTemplate
{
  LPCWSTR m_Name;
  const CLSID* m_ClsID;
  LPFNNewCOMObject m_lpfnNew;
  LPFNInitRoutine m_lpfnInit;
  const AMOVIESETUP_FILTER* m_pAMovieSetup_Filter;
};

/// Creates objects of one template.
class CClassFactory : public IClassFactory, public CBaseObject
{
public:
  explicit CClassFactory(const CFactoryTemplate* factoryTemplate) : m_pTemplate(factoryTemplate) {}
  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  HRESULT LockServer(BOOL lock) override;

  /// DllGetClassObject over a module's templates.
  static HRESULT GetClassObject(const CFactoryTemplate* templates, int count, REFCLSID clsid, REFIID riid,
                                void** ppv);
  /// DllCanUnloadNow: S_OK when no object is alive and no lock is held.
  static HRESULT CanUnloadNow();

private:
  const CFactoryTemplate* m_pTemplate;
  std::atomic<ULONG> m_cRef{0};
  static std::atomic<long> ms_cLocked;
};

/// Registers (or unregisters) each template's server entry and filter data
/// in the filter registry. `moduleAddress` is any address inside the module,
/// used to record the module's path.
HRESULT AMovieDllRegisterServer2(const CFactoryTemplate* templates, int count, BOOL doRegister,
                                 const void* moduleAddress);

/// The filter registry: "key=value" lines in a file, or a process-local
/// table. The file is $TARVEK_DSHOW_REGISTRY when that is set (the value
/// ":memory:" selects the table), else tarvek-dshow/registry under
/// $XDG_CONFIG_HOME or ~/.config; the table when no location is known.
class CFilterRegistry
{
public:
  /// The file in use; empty for the process-local table.
  static std::string Location();
  static bool Load(std::map<std::string, std::string>* entries);
  static bool Save(const std::map<std::string, std::string>& entries);
  /// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
  static std::string GuidString(REFGUID guid);
};
