#pragma once
#include <any>
#include <string>
#include <vector>

#include <pixolan/PxExport.h>
#include <pixolan/filters/PxFilterTypes.h>
#include <pixolan/filters/TCGenObjectFactory.h>
#include <pixolan/filters/TCPxImageFilter.h>

class TCPxImageBase;

/// Name and constructor parameters of a registered filter kind, for tools
/// that list or build filters by name.
struct TCPxFilterDescription
{
  Px::EFilterTypes type;
  std::string name;                    ///< the enumerator's name, e.g. "Median"
  std::vector<std::string> parameters; ///< "type name" per constructor argument, in order
};

/// The process-wide filter factory. Every filter class registers a creator
/// for its Px::EFilterTypes value while the library loads. Creator arguments
/// start at zero and persist between calls once set through SetParameter;
/// setting them and creating filters of the same kind must not overlap
/// between threads.
///
/// Create (and so ApplyFilter, ApplyFilter2Dest) gives null / does nothing for
/// a value without a creator (12, 35, values outside the table) and for a
/// filter that cannot be built from the stored arguments (a convolution
/// without a kernel).
class PIXOLAN_EXPORT TCPxFilterFactory : public TCGenObjectFactory<TCPxImageFilter, Px::EFilterTypes>
{
public:
  TCPxFilterFactory(const TCPxFilterFactory&) = default;
  TCPxFilterFactory& operator=(const TCPxFilterFactory&) = default;

  static TCPxFilterFactory* Instance();

  using TCGenObjectFactory<TCPxImageFilter, Px::EFilterTypes>::Create;
  /// Sets arguments 1 and 2 of the kind's creator (each exactly of the
  /// creator's argument type), then creates the filter; the values stay stored.
  template <class A1, class A2>
  TCPxImageFilter* Create(Px::EFilterTypes type, A1 a1, A2 a2)
  {
    SetParameter(1, type, std::any(a1));
    SetParameter(2, type, std::any(a2));
    return Create(type);
  }

  /// Creates the filter, processes `image` in place and deletes the filter.
  void ApplyFilter(Px::EFilterTypes type, TCPxImageBase* image);
  /// Creates the filter, processes source into destination and deletes the filter.
  void ApplyFilter2Dest(Px::EFilterTypes type, TCPxImageBase* source, TCPxImageBase* destination);

  /// Registers a creator (taking ownership) and the kind's description.
  void RegisterFilter(Creator* creator, TCPxFilterDescription description);
  /// Descriptions of every registered kind, ordered by value.
  std::vector<TCPxFilterDescription> GetDescriptions() const;

private:
  TCPxFilterFactory();
  ~TCPxFilterFactory() override;

  std::vector<TCPxFilterDescription> m_descriptions;
};

/// Declares the static registrar of a filter class (inside the class body).
#define PX_FILTER_REGISTRAR                                                                                        \
private:                                                                                                           \
  struct factory_registrar                                                                                         \
  {                                                                                                                \
    factory_registrar();                                                                                           \
  };                                                                                                               \
  static factory_registrar m_registrar;

/// Defines the registrar of `Class` (in its source file): registers `CreatorType`
/// under Px::`value` (given without the namespace) with the kind's name and the "type name" of each constructor argument.
#define PX_REGISTER_FILTER(Class, value, CreatorType, ...)                                                         \
  Class::factory_registrar::factory_registrar()                                                                    \
  {                                                                                                                \
    TCPxFilterFactory::Instance()->RegisterFilter(new CreatorType, TCPxFilterDescription{Px::value, #value, {__VA_ARGS__}}); \
  }                                                                                                                \
  Class::factory_registrar Class::m_registrar;
