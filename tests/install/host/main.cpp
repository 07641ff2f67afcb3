// A host of the resizer plug-in: built with the installed host headers alone
// (no library of this project), it loads the installed module and drives the
// filter through ITarvekResizer13. Usage: host MODULE
#include <dlfcn.h>

#include <cstdio>

#include <tarvek/resizer/ITarvekResizer13.h>

namespace
{
int g_failures = 0;

void Check(bool ok, const char* what)
{
  if (!ok)
  {
    std::fprintf(stderr, "host: %s\n", what);
    ++g_failures;
  }
}
} // namespace

int main(int argc, char** argv)
{
  if (argc != 2)
  {
    std::fprintf(stderr, "usage: host MODULE\n");
    return 2;
  }
  void* module = ::dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!module)
  {
    std::fprintf(stderr, "host: %s\n", ::dlerror());
    return 1;
  }
  auto getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(::dlsym(module, "DllGetClassObject"));
  auto canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(::dlsym(module, "DllCanUnloadNow"));
  if (!getClassObject || !canUnloadNow)
  {
    std::fprintf(stderr, "host: the module lacks its entry points\n");
    return 1;
  }

  {
    CComPtr<IClassFactory> factory;
    Check(getClassObject(CLSID_TarvekResizerFilter, IID_IClassFactory, reinterpret_cast<void**>(&factory)) == S_OK &&
            factory,
          "no class factory for the resizer filter");
    CComPtr<IUnknown> filter;
    if (factory)
      Check(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&filter)) == S_OK && filter,
            "the factory made no filter");
    if (filter)
    {
      CComPtr<ITarvekResizer13> resizer;
      Check(filter->QueryInterface(IID_ITarvekResizer13, reinterpret_cast<void**>(&resizer)) == S_OK && resizer,
            "the filter does not answer ITarvekResizer13");
      int marker = 0;
      void* none = &marker;
      Check(filter->QueryInterface(IID_IClassFactory, &none) == E_NOINTERFACE && none == nullptr,
            "an interface the filter lacks is not refused");
      if (resizer)
      {
        int width = 0, height = 0;
        Check(resizer->SetOutputSize(320, 240) == S_OK, "SetOutputSize on an unconnected filter failed");
        Check(resizer->GetOutputSize(&width, &height) == S_OK && width == 320 && height == 240,
              "GetOutputSize does not return the requested size");
        Check(resizer->GetCurrentSize(&width, &height) == E_FAIL, "GetCurrentSize without connections must fail");
      }
    }
    Check(canUnloadNow() != S_OK, "the module may be unloaded while its objects live");
  }
  Check(canUnloadNow() == S_OK, "objects of the module outlive their last reference");
  ::dlclose(module);
  if (g_failures == 0)
    std::printf("host ok\n");
  return g_failures == 0 ? 0 : 1;
}
