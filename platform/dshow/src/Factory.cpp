#include <tarvek/dshow/Factory.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <new>
#include <sstream>

std::atomic<long> CClassFactory::ms_cLocked{0};

HRESULT CClassFactory::QueryInterface(REFIID riid, void** ppv)
{
  if (!ppv)
    return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IClassFactory)
    return GetInterface(this, ppv);
  return E_NOINTERFACE;
}

ULONG CClassFactory::AddRef()
{
  return ++m_cRef;
}

ULONG CClassFactory::Release()
{
  const ULONG count = --m_cRef;
  if (count == 0)
    delete this;
  return count;
}

HRESULT CClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv)
{
  if (!ppv)
    return E_POINTER;
  *ppv = nullptr;
  if (outer)
    return CLASS_E_NOAGGREGATION;
  HRESULT hr = S_OK;
  CUnknown* object = m_pTemplate->m_lpfnNew(nullptr, &hr);
  if (!object)
    return FAILED(hr) ? hr : E_OUTOFMEMORY;
  object->NonDelegatingAddRef();
  if (SUCCEEDED(hr))
    hr = object->NonDelegatingQueryInterface(riid, ppv);
  object->NonDelegatingRelease();
  return hr;
}

HRESULT CClassFactory::LockServer(BOOL lock)
{
  if (lock)
    ms_cLocked.fetch_add(1);
  else
    ms_cLocked.fetch_sub(1);
  return S_OK;
}

HRESULT CClassFactory::GetClassObject(const CFactoryTemplate* templates, int count, REFCLSID clsid, REFIID riid,
                                      void** ppv)
{
  if (!ppv)
    return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IClassFactory)
    return E_NOINTERFACE;
  for (int i = 0; i < count; ++i)
  {
    if (!templates[i].m_ClsID || *templates[i].m_ClsID != clsid)
      continue;
    auto* factory = new (std::nothrow) CClassFactory(&templates[i]);
    if (!factory)
      return E_OUTOFMEMORY;
    return GetInterface(factory, ppv);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CClassFactory::CanUnloadNow()
{
  return ms_cLocked.load() == 0 && CBaseObject::ObjectsActive() == 0 ? S_OK : S_FALSE;
}

// ---- registry ----------------------------------------------------------------------------

namespace
{
std::mutex g_registryMutex;
std::map<std::string, std::string> g_memoryRegistry;

std::string Narrow(LPCWSTR text)
{
  std::string out;
  for (; text && *text; ++text)
    out.push_back(*text >= 0x20 && *text < 0x7F ? static_cast<char>(*text) : '?');
  return out;
}

std::string ModulePath(const void* address)
{
  Dl_info info{};
  if (address && dladdr(address, &info) != 0 && info.dli_fname)
    return info.dli_fname;
  return {};
}

std::string FlagText(BOOL value)
{
  return value ? "1" : "0";
}

void EraseClass(std::map<std::string, std::string>& entries, const std::string& guid)
{
  const std::string prefixes[] = {"CLSID\\" + guid, "Filter\\" + guid};
  for (auto it = entries.begin(); it != entries.end();)
  {
    bool match = false;
    for (const std::string& p : prefixes)
      match = match || it->first.compare(0, p.size(), p) == 0;
    it = match ? entries.erase(it) : std::next(it);
  }
}
} // namespace

std::string CFilterRegistry::GuidString(REFGUID g)
{
  char text[40];
  std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2,
                g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                g.Data4[7]);
  return text;
}

std::string CFilterRegistry::Location()
{
  if (const char* chosen = std::getenv("TARVEK_DSHOW_REGISTRY"))
    return std::string(chosen) == ":memory:" ? std::string() : std::string(chosen);
  std::filesystem::path base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
    base = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home)
    base = std::filesystem::path(home) / ".config";
  else
    return {};
  return (base / "tarvek-dshow" / "registry").string();
}

bool CFilterRegistry::Load(std::map<std::string, std::string>* entries)
{
  if (!entries)
    return false;
  const std::string file = Location();
  if (file.empty())
  {
    *entries = g_memoryRegistry;
    return true;
  }
  entries->clear();
  std::ifstream in(file);
  if (!in)
    return true; // nothing registered yet
  std::string line;
  while (std::getline(in, line))
  {
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos)
      (*entries)[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return true;
}

bool CFilterRegistry::Save(const std::map<std::string, std::string>& entries)
{
  const std::string file = Location();
  if (file.empty())
  {
    g_memoryRegistry = entries;
    return true;
  }
  std::error_code ec;
  const std::filesystem::path path(file);
  if (path.has_parent_path())
    std::filesystem::create_directories(path.parent_path(), ec);
  const std::string temporary = file + ".new";
  {
    std::ofstream out(temporary, std::ios::trunc);
    if (!out)
      return false;
    for (const auto& [key, value] : entries)
      out << key << '=' << value << '\n';
    if (!out)
      return false;
  }
  std::filesystem::rename(temporary, path, ec);
  return !ec;
}

HRESULT AMovieDllRegisterServer2(const CFactoryTemplate* templates, int count, BOOL doRegister,
                                 const void* moduleAddress)
{
  std::lock_guard<std::mutex> lock(g_registryMutex);
  std::map<std::string, std::string> entries;
  if (!CFilterRegistry::Load(&entries))
    return E_FAIL;
  const std::string module = ModulePath(moduleAddress);
  for (int i = 0; i < count; ++i)
  {
    const CFactoryTemplate& t = templates[i];
    if (!t.m_ClsID)
      continue;
    const std::string guid = CFilterRegistry::GuidString(*t.m_ClsID);
    EraseClass(entries, guid);
    if (!doRegister)
      continue;
    const std::string server = "CLSID\\" + guid;
    entries[server] = Narrow(t.m_Name);
    entries[server + "\\InprocServer32"] = module;
    entries[server + "\\InprocServer32\\ThreadingModel"] = "Both";
    if (const AMOVIESETUP_FILTER* f = t.m_pAMovieSetup_Filter)
    {
      const std::string key = "Filter\\" + guid;
      char merit[16];
      std::snprintf(merit, sizeof(merit), "0x%08X", f->dwMerit);
      entries[key + "\\FriendlyName"] = Narrow(f->strName);
      entries[key + "\\Merit"] = merit;
      entries[key + "\\Pins"] = std::to_string(f->nPins);
      for (unsigned p = 0; p < f->nPins && f->lpPin; ++p)
      {
        const AMOVIESETUP_PIN& pin = f->lpPin[p];
        std::ostringstream v;
        v << "name=" << Narrow(pin.strName) << ";rendered=" << FlagText(pin.bRendered)
          << ";output=" << FlagText(pin.bOutput) << ";zero=" << FlagText(pin.bZero)
          << ";many=" << FlagText(pin.bMany) << ";connectsToFilter="
          << (pin.clsConnectsToFilter ? CFilterRegistry::GuidString(*pin.clsConnectsToFilter) : std::string())
          << ";connectsToPin=" << Narrow(pin.strConnectsToPin) << ";mediaTypes=" << pin.nMediaTypes;
        entries[key + "\\Pin" + std::to_string(p)] = v.str();
      }
    }
  }
  return CFilterRegistry::Save(entries) ? S_OK : E_FAIL;
}
